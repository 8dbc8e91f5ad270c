#include "app/playtimejob.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "app/writingjob.h"
#include "browse/playtimefiller.h"
#include "store/recordset.h"

#include <memory>

void PlayTimeJob::start(bool allFormats)
{
    const CommandContext& c = m_context;
    if (c.session->refuseWrite(false))
        return;
    if (c.session->records()->recordCount() == 0) {
        c.prompter->ask(QStringLiteral("There are no songs shown to fill in."));
        return;
    }
    auto result = std::make_shared<PlayTimeFiller::Result>();
    WritingJob job;
    job.objectName = QStringLiteral("playTimeProgress");
    job.title = QStringLiteral("Fill In Play Times");
    job.text = QStringLiteral("Reading play times");
    job.change = [result, allFormats, volumes = c.volumes, catalogue = c.session->databasePath(),
                  source = c.session->records()->recordSource()](JobControl& control, Database& engine,
                                                                 UndoPoint&) {
        // The rows shown are read again on a connection of the job's own, in the window's
        // order; their lengths are stored through the job's.
        RecordSet rows;
        rows.setCatalogue(catalogue, true);
        rows.setRecordSource(source);
        if ((result->failure = rows.refresh()))
            return QString();
        PlayTimeFiller::Hooks hooks;
        hooks.lookup = songLookup(volumes, engine);
        hooks.allFormats = allFormats;
        hooks.progress = [&control](qint64 done, qint64 total) {
            control.progress(QStringLiteral("Reading play times: %1 of %2 songs").arg(done).arg(total), done,
                             total);
            return !control.cancelled();
        };
        *result = PlayTimeFiller(hooks).run(rows, engine);
        return QString();
    };
    job.done = [c, result](const QString&) {
        // The rows stay as they were, where they were: only their play times are new.
        c.session->rereadCells();
        c.prompter->ask(PlayTimeFiller::summary(*result));
    };
    startWritingJob(c, nullptr, std::move(job));
}
