#include "app/writingjob.h"

#include "app/cataloguesession.h"
#include "app/catalogueundo.h"
#include "app/jobrunner.h"
#include "store/cataloguecopy.h"

#include <QLocale>

#include <memory>

UndoPoint::UndoPoint(JobControl& job, QString catalogue, bool offered)
    : m_job(job), m_catalogue(std::move(catalogue)), m_offered(offered)
{
}

bool UndoPoint::keep(const QString& what)
{
    m_what = what;
    if (!m_offered) {
        m_job.setCancellable(false);
        return true;
    }
    m_job.setCancellable(true);
    const Failure failure = CatalogueCopy::make(
        m_catalogue, CatalogueCopy::undoPathFor(m_catalogue), [this](qint64 done, qint64 total) {
            m_job.progress(QStringLiteral("Keeping a copy for Undo: %1 %")
                               .arg(QLocale().toString(total > 0 ? done * 100 / total : 0)),
                           done, total);
            return !m_job.cancelled();
        });
    m_job.setCancellable(false);
    if (failure.kind == FailureKind::Cancelled)
        return false;
    if (failure)
        return m_job.ask(QStringLiteral("No copy of the catalogue could be kept for Undo (%1).\n\nGo on "
                                        "without Undo?")
                             .arg(failure.description),
                         Prompter::YesNo, QStringLiteral("Undo")) == Prompter::Yes;
    m_kept = true;
    return true;
}

bool startWritingJob(const CommandContext& c, CatalogueUndo* undo, WritingJob writing)
{
    struct Outcome
    {
        QString said;
        QString undoAs; // what the copy kept was kept for, when it was
        quint64 mark = 0;
    };
    auto outcome = std::make_shared<Outcome>();
    JobRunner::Job job;
    job.objectName = writing.objectName;
    job.title = writing.title;
    job.text = writing.text;
    job.owner = writing.owner;
    job.work = [outcome, change = std::move(writing.change), cannotOpen = std::move(writing.cannotOpen),
                catalogue = c.session->databasePath(), damage = c.session->damageWaiter(),
                offered = undo != nullptr](JobControl& control) {
        // Nothing is written into a catalogue the check after opening finds damaged.
        control.progress(QStringLiteral("Checking the catalogue for damage"));
        if (const Failure found = damage([&control] { return control.cancelled(); })) {
            control.ask(QStringLiteral("The catalogue is damaged (%1): nothing is written into it.")
                            .arg(found.description));
            return;
        }
        Database db;
        if (const Failure failure = db.open(catalogue)) {
            control.ask(cannotOpen ? cannotOpen(failure) : failure.description);
            return;
        }
        db.setCacheSize(64);
        UndoPoint point(control, catalogue, offered);
        outcome->said = change(control, db, point);
        if (point.kept() && !outcome->said.isEmpty()) {
            outcome->undoAs = point.what();
            outcome->mark = CatalogueCopy::writeMark(catalogue);
        }
    };
    job.done = [outcome, undo, done = std::move(writing.done)] {
        if (undo && !outcome->undoAs.isEmpty())
            undo->offer(outcome->undoAs, outcome->mark);
        if (done)
            done(outcome->said);
    };
    return c.jobs->start(std::move(job));
}
