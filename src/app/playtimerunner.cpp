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
    if (m_session->refuseWrite())
        return;
    RecordSet* records = m_session->records();
    if (records->recordCount() == 0) {
        m_prompter->ask(QStringLiteral("There are no songs shown to fill in."));
        return;
    }
    if (!m_session->engine()) {
        if (const Failure failure = m_session->reopenEngine()) {
            m_prompter->ask(failure.description);
            return;
        }
    }
    PlayTimeFiller::Result result;
    {
        BusyPointer busy;
        ProgressWindow progress(QStringLiteral("playTimeProgress"), QStringLiteral("Fill In Play Times"),
                                records->recordCount(), m_window);
        PlayTimeFiller::Hooks hooks;
        hooks.lookup = songLookup(m_volumes, m_session);
        hooks.progress = [&progress](qint64 done, qint64) {
            return progress.step(done, QStringLiteral("Reading play times"));
        };
        result = PlayTimeFiller(hooks).run(*records, *m_session->engine());
    }
    m_prompter->ask(PlayTimeFiller::summary(result));
    m_session->refresh();
}
