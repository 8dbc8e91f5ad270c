#include "app/discjobs.h"

#include "app/buildjob.h"
#include "app/cataloguesession.h"
#include "app/discswindow.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/writingjob.h"
#include "browse/songlocator.h"
#include "scan/discupdate.h"
#include "scan/mountwatch.h"
#include "scan/songfile.h"
#include "settings/settings.h"

#include <QLocale>

#include <algorithm>
#include <memory>

namespace {

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString songsText(qint64 songs)
{
    return songs == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(QLocale().toString(songs));
}

} // namespace

QString whereIsDisc(const Disc& disc, const QList<Volume>& volumes, Volume* on)
{
    const auto found = [on](const QString& folder, const Volume& volume) {
        if (on)
            *on = volume;
        return folder;
    };
    QList<Volume> ready;
    for (const Volume& v : volumes) {
        if (v.ready)
            ready << v;
    }
    if (!disc.recorded) {
        for (const Volume& v : std::as_const(ready)) {
            if (!v.label.isEmpty() && v.label.compare(disc.name, Qt::CaseInsensitive) == 0)
                return found(withSlash(v.root), v);
        }
        return QString();
    }
    const DiscRecord& record = disc.record;
    // A record of a catalogue from elsewhere may name any folder: only a plain full path is a disc's.
    if (!SongFile::folderProblem(record.root).isEmpty() ||
        !SongFile::folderProblem(record.volumeRoot).isEmpty())
        return QString();
    const QString onVolume =
        record.root.startsWith(record.volumeRoot) ? record.root.mid(record.volumeRoot.size()) : QString();
    const auto there = [&](const Volume& v) {
        const QString folder = withSlash(v.root) + onVolume;
        return probePath(folder) == PathKind::Folder ? folder : QString();
    };
    if (!record.uuid.isEmpty()) {
        for (const Volume& v : std::as_const(ready)) {
            if (v.uuid == record.uuid) {
                if (const QString folder = there(v); !folder.isEmpty())
                    return found(folder, v);
            }
        }
    }
    // The folder it was walked from is still there on a volume that is in: a folder of the
    // system's own disc, or a disc that comes back at the same place.
    Volume holder;
    for (const Volume& v : std::as_const(ready)) {
        if (record.root.startsWith(withSlash(v.root)) && v.root.size() >= holder.root.size())
            holder = v;
    }
    if (!holder.root.isEmpty() &&
        (record.uuid.isEmpty() || holder.uuid.isEmpty() || holder.uuid == record.uuid ||
         withSlash(holder.root) != withSlash(record.volumeRoot)) &&
        probePath(record.root) == PathKind::Folder)
        return found(record.root, holder);
    for (const Volume& v : std::as_const(ready)) {
        const bool sameLabel = !v.label.isEmpty() && (v.label == record.label ||
                                                      v.label.compare(disc.name, Qt::CaseInsensitive) == 0);
        if (sameLabel) {
            if (const QString folder = there(v); !folder.isEmpty())
                return found(folder, v);
        }
    }
    return QString();
}

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

void DiscJobs::update(const Disc& disc)
{
    const CommandContext& c = m_context;
    Prompter::OwnedBy asked(c.prompter, m_window);
    if (c.session->refuseWrite(false))
        return;
    Volume volume;
    QString folder = whereIsDisc(disc, c.volumes->volumes(), &volume);
    if (folder.isEmpty() && disc.recorded) {
        c.prompter->ask(QStringLiteral("The disc %1 is not in a drive: put it in, then press Update again.")
                            .arg(disc.name));
        return;
    }
    if (folder.isEmpty()) {
        // A disc catalogued before discs were remembered: the user says where it is.
        c.prompter->ask(QStringLiteral("The catalogue does not know which drive the disc %1 was in. "
                                       "Choose the folder it is in now.")
                            .arg(disc.name));
        if (!c.prompter->chooseFolder(&folder))
            return;
        folder = withSlash(folder);
        volume = c.volumes->volumeOf(folder);
    }
    DiscUpdate::Options options;
    options.reading = m_hooks.reading ? m_hooks.reading() : SongReading();
    options.allowDuplicates = [builds = m_builds] { return builds->allowDuplicates(); };
    DuplicateNumbers* numbers = m_builds->duplicateNumbers();
    startChange(
        QStringLiteral("updateProgress"), QStringLiteral("Update Disc"),
        QStringLiteral("Reading %1").arg(folder),
        [disc, folder, volume, options, numbers](JobControl& job, Database& db,
                                                 UndoPoint& undo) mutable -> QString {
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
                            .arg(disc.name, songsText(plan.unchanged)));
                return {};
            }
            QString question =
                QStringLiteral("Update the disc %1 from %2?\n\n%3.").arg(disc.name, folder, plan.summary());
            for (const QString& warning : std::as_const(plan.warnings))
                question += QStringLiteral("\n\n") + warning;
            const Prompter::Buttons buttons =
                plan.warnings.isEmpty() ? Prompter::ApplyCancel : Prompter::ApplyCancelWarned;
            if (job.ask(question, buttons, QStringLiteral("Update Disc"), plan.details()) !=
                    Prompter::Apply ||
                !undo.keep(QStringLiteral("Update Disc %1").arg(disc.name)))
                return {};
            job.progress(QStringLiteral("Writing the changes"));
            DiscUpdate::Result result;
            if (const Failure failure =
                    DiscUpdate::apply(db, disc, plan, folder, volume, options, *numbers, &result)) {
                job.ask(
                    QStringLiteral("The disc %1 was not updated: %2").arg(disc.name, failure.description));
                return {};
            }
            return QStringLiteral("Disc %1 updated: %2").arg(disc.name, result.summary());
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
                    return QStringLiteral("Disc %1 renamed %2 (%3)").arg(disc.name, name, songsText(songs));
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
                                 songsText(disc.songs)),
                        Prompter::YesNo, QStringLiteral("Remove Disc")) != Prompter::Yes)
        return;
    startChange(QStringLiteral("removeProgress"), QStringLiteral("Remove Disc"),
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
                    return QStringLiteral("Disc %1 removed (%2)").arg(disc.name, songsText(songs));
                });
}
