#include "app/playtimerunner.h"

#include "app/busypointer.h"
#include "app/cataloguesession.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/playtimefiller.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QProgressDialog>

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
        QProgressDialog progress(m_window);
        progress.setObjectName(QStringLiteral("playTimeProgress"));
        progress.setWindowTitle(QStringLiteral("Fill In Play Times"));
        progress.setCancelButtonText(QStringLiteral("Cancel"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        progress.setMinimumWidth(420);
        progress.setRange(0, int(qMin<qint64>(records->recordCount(), INT_MAX)));
        progress.show();

        PlayTimeFiller::Hooks hooks;
        hooks.lookup = songLookup(m_volumes, m_session);
        hooks.progress = [&progress](qint64 done, qint64 total) {
            progress.setLabelText(QStringLiteral("Reading play times: %1 of %2 songs").arg(done).arg(total));
            progress.setValue(int(qMin<qint64>(done, INT_MAX)));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        };
        result = PlayTimeFiller(hooks).run(*records, *m_session->engine());
    }
    m_prompter->ask(PlayTimeFiller::summary(result));
    m_session->refresh();
}
