#include "app/playtimejob.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/playtimefiller.h"
#include "store/recordset.h"

#include <memory>

void PlayTimeJob::start()
{
    const CommandContext& c = m_context;
    if (c.session->refuseWrite(false))
        return;
    if (c.session->records()->recordCount() == 0) {
        c.prompter->ask(QStringLiteral("There are no songs shown to fill in."));
        return;
    }
    auto result = std::make_shared<PlayTimeFiller::Result>();
    JobRunner::Job job;
    job.objectName = QStringLiteral("playTimeProgress");
    job.title = QStringLiteral("Fill In Play Times");
    job.text = QStringLiteral("Reading play times");
    job.work = [result, volumes = c.volumes, catalogue = c.session->databasePath(),
                source = c.session->records()->recordSource(),
                damage = c.session->damageWaiter()](JobControl& control) {
        // Nothing is written into a catalogue the check after opening finds damaged.
        if ((result->failure = damage([&control] { return control.cancelled(); })))
            return;
        // The rows shown are read again on the job's own connections: one to read them in
        // the window's order, one to store their lengths.
        Database engine;
        RecordSet rows;
        rows.setCatalogue(catalogue, true);
        rows.setRecordSource(source);
        if ((result->failure = engine.open(catalogue)) || (result->failure = rows.refresh()))
            return;
        PlayTimeFiller::Hooks hooks;
        hooks.lookup = songLookup(volumes, engine);
        hooks.progress = [&control](qint64 done, qint64 total) {
            control.progress(QStringLiteral("Reading play times: %1 of %2 songs").arg(done).arg(total), done,
                             total);
            return !control.cancelled();
        };
        *result = PlayTimeFiller(hooks).run(rows, engine);
    };
    job.done = [c, result] {
        // The rows stay as they were, where they were: only their play times are new.
        c.session->rereadCells();
        c.prompter->ask(PlayTimeFiller::summary(*result));
    };
    c.jobs->start(std::move(job));
}
