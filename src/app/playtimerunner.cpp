#include "app/playtimerunner.h"

#include "app/busypointer.h"
#include "app/cataloguesession.h"
#include "app/progresswindow.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/playtimefiller.h"
#include "store/recordset.h"

void PlayTimeRunner::run()
{
    if (m.session->refuseWrite())
        return;
    RecordSet* records = m.session->records();
    if (records->recordCount() == 0) {
        m.prompter->ask(QStringLiteral("There are no songs shown to fill in."));
        return;
    }
    if (!m.session->engine()) {
        if (const Failure failure = m.session->reopenEngine()) {
            m.prompter->ask(failure.description);
            return;
        }
    }
    PlayTimeFiller::Result result;
    {
        BusyPointer busy;
        ProgressWindow progress(QStringLiteral("playTimeProgress"), QStringLiteral("Fill In Play Times"),
                                records->recordCount(), m.window);
        PlayTimeFiller::Hooks hooks;
        hooks.lookup = songLookup(m.volumes, m.session);
        hooks.progress = [&progress](qint64 done, qint64) {
            return progress.step(done, QStringLiteral("Reading play times"));
        };
        result = PlayTimeFiller(hooks).run(*records, *m.session->engine());
    }
    m.prompter->ask(PlayTimeFiller::summary(result));
    m.session->refresh();
}
