#include "app/discjobs.h"

#include "app/buildjob.h"
#include "app/cataloguesession.h"
#include "app/disccomparisonwindow.h"
#include "app/discswindow.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/writingjob.h"
#include "base/folder.h"
#include "browse/songlocator.h"
#include "scan/discupdate.h"
#include "scan/mountwatch.h"
#include "scan/songfile.h"
#include "settings/settings.h"

#include "store/songtotals.h"

#include <QLocale>

#include <algorithm>
#include <memory>

void DiscJobs::showWindow(QWidget* parent, MountWatch* watch, Settings* settings)
{
    if (!m_window) {
        m_window = new DiscsWindow(m_context.session->databasePath(), m_context.volumes, parent);
        DiscsWindow* window = m_window;
        if (const QSize size = settings->discsWindowSize(); size.isValid())
            window->keepSize(size);
        QObject::connect(window, &QDialog::finished, window,
                         [window, settings] { settings->setDiscsWindowSize(window->size()); });
        QObject::connect(watch, &MountWatch::changed, window, &DiscsWindow::showDrives);
        QObject::connect(m_context.jobs, &JobRunner::runningChanged, window,
                         [window](bool running) { window->enableCommands(!running); });
        window->enableCommands(!m_context.jobs->isRunning());
        QObject::connect(window, &DiscsWindow::updateRequested, window,
                         [this](const Disc& disc) { update(disc); });
        QObject::connect(window, &DiscsWindow::renameRequested, window,
                         [this](const Disc& disc) { rename(disc); });
        QObject::connect(window, &DiscsWindow::removeRequested, window,
                         [this](const Disc& disc) { remove(disc); });
        QObject::connect(window, &DiscsWindow::noteEdited, window,
                         [this](const Disc& disc, DiscNotes::Field field, const QString& text) {
                             storeNote(disc, field, text);
                         });
        QObject::connect(window, &DiscsWindow::compareRequested, window,
                         [this](const Disc& first, const Disc& second) { compare(first, second); });
    }
    m_window->reload();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void DiscJobs::recount()
{
    if (m_window && m_window->isVisible())
        m_window->reload();
}

bool DiscJobs::startChange(const QString& objectName, const QString& title, const QString& text,
                           std::function<QString(JobControl& job, Database& db, UndoPoint& undo)> change)
{
    WritingJob job;
    job.objectName = objectName;
    job.title = title;
    job.text = text;
    job.owner = m_window;
    job.change = std::move(change);
    job.done = [this](const QString& said) {
        if (m_hooks.finished)
            m_hooks.finished(said);
        // The user goes on where the command was given.
        if (m_window && m_window->isVisible())
            m_window->takeKeysBack();
    };
    return startWritingJob(m_context, m_undo, std::move(job));
}

namespace {

// The update of `disc` from `folder` on `volume`, as a writing job's change: the plan, the
// question with the lists behind it, the copy for Undo, then Apply.
QString updateFromDrive(JobControl& job, Database& db, UndoPoint& undo, const Disc& disc,
                        const QString& folder, const Volume& volume, DiscUpdate::Options options,
                        DuplicateNumbers& numbers)
{
    options.progress = [&job](const QString& now, qint64 found) {
        job.progress(QStringLiteral("Reading %1\n%2 songs found").arg(now).arg(found));
        return !job.cancelled();
    };
    DiscUpdate::Plan plan;
    if (const Failure failure = DiscUpdate::plan(db, disc, folder, volume, options, &plan)) {
        job.ask(failure.description);
        return {};
    }
    if (plan.cancelled)
        return {};
    if (!plan.changes() && plan.warnings.isEmpty()) {
        job.ask(QStringLiteral("The disc %1 is up to date: %2 unchanged.")
                    .arg(disc.name, SongTotals::countText(plan.unchanged)));
        return {};
    }
    QString question =
        QStringLiteral("Update the disc %1 from %2?\n\n%3.").arg(disc.name, folder, plan.summary());
    for (const QString& warning : std::as_const(plan.warnings))
        question += QStringLiteral("\n\n") + warning;
    const Prompter::Buttons buttons =
        plan.warnings.isEmpty() ? Prompter::ApplyCancel : Prompter::ApplyCancelWarned;
    if (job.ask(question, buttons, QStringLiteral("Update Disc"), plan.details()) != Prompter::Apply ||
        !undo.keep(QStringLiteral("Update Disc %1").arg(disc.name)))
        return {};
    job.progress(QStringLiteral("Writing the changes"));
    DiscUpdate::Result result;
    if (const Failure failure =
            DiscUpdate::apply(db, disc, plan, folder, volume, options, numbers, &result)) {
        job.ask(QStringLiteral("The disc %1 was not updated: %2").arg(disc.name, failure.description));
        return {};
    }
    return QStringLiteral("Disc %1 updated: %2").arg(disc.name, result.summary());
}

} // namespace

bool DiscJobs::findInDrive(const Disc& disc, QString* folder, Volume* volume)
{
    const CommandContext& c = m_context;
    *folder = whereIsDisc(disc, c.volumes->volumes(), volume);
    if (!folder->isEmpty())
        return true;
    if (disc.recorded) {
        c.prompter->ask(QStringLiteral("The disc %1 is not in a drive: put it in, then press Update again.")
                            .arg(disc.name));
        return false;
    }
    // A disc catalogued before discs were remembered: the user says where it is.
    c.prompter->ask(QStringLiteral("The catalogue does not know which drive the disc %1 was in. Choose the "
                                   "folder it is in now.")
                        .arg(disc.name));
    if (!c.prompter->chooseFolder(folder))
        return false;
    *folder = withSlash(*folder);
    *volume = c.volumes->volumeOf(*folder);
    return true;
}

void DiscJobs::update(const Disc& disc)
{
    const CommandContext& c = m_context;
    Prompter::OwnedBy asked(c.prompter, m_window);
    QString folder;
    Volume volume;
    if (c.session->refuseWrite(false) || !findInDrive(disc, &folder, &volume))
        return;
    DiscUpdate::Options options;
    options.reading = m_hooks.reading ? m_hooks.reading() : SongReading();
    options.allowDuplicates = [builds = m_builds] { return builds->allowDuplicates(); };
    startChange(QStringLiteral("updateProgress"), QStringLiteral("Update Disc"),
                QStringLiteral("Reading %1").arg(folder),
                [disc, folder, volume, options,
                 numbers = m_builds->duplicateNumbers()](JobControl& job, Database& db, UndoPoint& undo) {
                    return updateFromDrive(job, db, undo, disc, folder, volume, options, *numbers);
                });
}

void DiscJobs::rename(const Disc& disc)
{
    const CommandContext& c = m_context;
    Prompter::OwnedBy asked(c.prompter, m_window);
    if (c.session->refuseWrite(false))
        return;
    QString typed = disc.name;
    if (!c.prompter->askText(QStringLiteral("Rename Disc"),
                             QStringLiteral("New name of the disc %1:").arg(disc.name), &typed))
        return;
    QString name;
    if (const Failure refused = Discs::validName(typed, &name)) {
        c.prompter->ask(refused.description);
        return;
    }
    if (name == disc.name)
        return;
    startChange(QStringLiteral("renameProgress"), QStringLiteral("Rename Disc"),
                QStringLiteral("Renaming %1").arg(disc.name),
                [disc, name](JobControl& job, Database& db, UndoPoint&) -> QString {
                    qint64 songs = 0;
                    if (const Failure failure = Discs::rename(db, disc, name, &songs)) {
                        job.ask(failure.description);
                        return {};
                    }
                    return QStringLiteral("Disc %1 renamed %2 (%3)")
                        .arg(disc.name, name, SongTotals::countText(songs));
                });
}

void DiscJobs::remove(const Disc& disc)
{
    const CommandContext& c = m_context;
    Prompter::OwnedBy asked(c.prompter, m_window);
    if (c.session->refuseWrite(false))
        return;
    if (c.prompter->ask(QStringLiteral("Remove the disc %1 and its %2 from the catalogue?")
                            .arg(disc.name.isEmpty() ? QStringLiteral("without a name") : disc.name,
                                 SongTotals::countText(disc.songs)),
                        Prompter::YesNo, QStringLiteral("Remove Disc")) != Prompter::Yes)
        return;
    startChange(
        QStringLiteral("removeProgress"), QStringLiteral("Remove Disc"),
        QStringLiteral("Removing %1").arg(disc.name),
        [disc](JobControl& job, Database& db, UndoPoint& undo) -> QString {
            if (!undo.keep(QStringLiteral("Remove Disc %1").arg(disc.name)))
                return {};
            job.progress(QStringLiteral("Removing %1").arg(disc.name));
            qint64 songs = 0;
            if (const Failure failure = Discs::remove(db, disc, &songs)) {
                job.ask(failure.description);
                return {};
            }
            return QStringLiteral("Disc %1 removed (%2)").arg(disc.name, SongTotals::countText(songs));
        });
}

void DiscJobs::storeNote(const Disc& disc, DiscNotes::Field field, const QString& text)
{
    const CommandContext& c = m_context;
    Prompter::OwnedBy asked(c.prompter, m_window);
    QString kept = disc.record.notes.text(field);
    if (!c.session->refuseWrite()) {
        if (const Failure failure = c.session->setDiscNote(disc.name, disc.root(), field, text, &kept))
            c.prompter->ask(failure.description);
    }
    if (m_window)
        m_window->showNote(disc, field, kept);
}

void DiscJobs::compare(const Disc& first, const Disc& second)
{
    if (!m_comparison)
        m_comparison =
            new DiscComparisonWindow(m_context.session->databasePath(), m_context.prompter, m_window);
    m_comparison->compare(first, second);
    m_comparison->show();
    m_comparison->raise();
    m_comparison->activateWindow();
}
