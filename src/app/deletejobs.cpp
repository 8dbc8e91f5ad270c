#include "app/deletejobs.h"

#include "app/busypointer.h"
#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/writingjob.h"
#include "store/recordset.h"
#include "store/songtable.h"

#include "store/songtotals.h"

#include <QLocale>

void DeleteJobs::clearAll()
{
    const CommandContext& c = m_context;
    if (c.jobs->isRunning() || c.session->refuseWrite())
        return;
    qint64 songs = 0;
    {
        BusyPointer busy;
        Database own;
        Failure failure = own.open(c.session->databasePath());
        if (!failure)
            failure = countSongs(own, &songs);
        if (failure) {
            c.prompter->ask(QStringLiteral("Delete error ") + failure.description);
            return;
        }
    }
    // A catalogue that took a shelf of discs to build is not wiped by one stray click.
    if (songs > 0) {
        const QString question =
            songs == 1
                ? QStringLiteral("Remove the 1 song from the catalogue?")
                : QStringLiteral("Remove all %1 songs from the catalogue?\nFile → Undo brings them back.")
                      .arg(QLocale().toString(songs));
        if (c.prompter->ask(question, Prompter::YesNo, QStringLiteral("Clear Database")) != Prompter::Yes)
            return;
    }
    WritingJob job;
    job.objectName = QStringLiteral("clearProgress");
    job.title = QStringLiteral("Clear Database");
    job.text = QStringLiteral("Removing every song");
    job.change = [songs](JobControl& control, Database& db, UndoPoint& undo) -> QString {
        if (!undo.keep(QStringLiteral("Clear Database")))
            return {};
        control.progress(QStringLiteral("Removing every song"));
        if (const Failure failure = clearSongs(db)) {
            control.ask(QStringLiteral("Delete error ") + failure.description);
            return {};
        }
        return QStringLiteral("Catalogue cleared: %1 removed").arg(SongTotals::countText(songs));
    };
    job.done = [this](const QString& done) {
        if (const Failure failure = m_context.session->records()->refresh())
            m_context.prompter->ask(QStringLiteral("Delete error ") + failure.description);
        if (m_finished && !done.isEmpty())
            m_finished(done);
    };
    startWritingJob(c, m_undo, std::move(job));
}

void DeleteJobs::deleteRows(const std::vector<qint64>& indexes)
{
    const CommandContext& c = m_context;
    if (c.jobs->isRunning() || c.session->refuseWrite())
        return;
    const QString question =
        indexes.size() == 1
            ? QStringLiteral("Delete the selected song?")
            : QStringLiteral("Delete the %1 selected songs?").arg(QLocale().toString(qint64(indexes.size())));
    if (c.prompter->ask(question, Prompter::YesNo, QStringLiteral("Delete record")) != Prompter::Yes)
        return;
    RecordSet* records = c.session->records();
    if (indexes.size() == 1) {
        if (const Failure failure = records->deleteRows(indexes))
            c.prompter->ask(QStringLiteral("Delete Error ") + failure.description);
        return;
    }
    const std::vector<qint64> rowids = records->rowidsAt(indexes);
    WritingJob job;
    job.objectName = QStringLiteral("deleteProgress");
    job.title = QStringLiteral("Delete record");
    job.text = QStringLiteral("Deleting %1").arg(SongTotals::countText(qint64(rowids.size())));
    job.change = [rowids](JobControl& control, Database& db, UndoPoint& undo) -> QString {
        const QString what = QStringLiteral("Delete %1").arg(SongTotals::countText(qint64(rowids.size())));
        if (!undo.keep(what))
            return {};
        control.progress(QStringLiteral("Deleting %1").arg(SongTotals::countText(qint64(rowids.size()))));
        if (const Failure failure = deleteSongs(db, rowids)) {
            control.ask(QStringLiteral("Delete Error ") + failure.description);
            return {};
        }
        return QStringLiteral("%1 deleted").arg(SongTotals::countText(qint64(rowids.size())));
    };
    job.done = [this, rowids](const QString& done) {
        if (done.isEmpty())
            return;
        m_context.session->records()->forgetRows(rowids);
        if (m_finished)
            m_finished(done);
    };
    startWritingJob(c, m_undo, std::move(job));
}
