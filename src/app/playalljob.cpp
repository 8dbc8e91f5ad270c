#include "app/playalljob.h"

#include "app/cataloguesession.h"
#include "app/desktop.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/playallshown.h"
#include "store/recordset.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <memory>

void PlayAllJob::start()
{
    const CommandContext& c = m_context;
    const qint64 total = c.session->records()->recordCount();
    if (total == 0) {
        c.prompter->ask(QStringLiteral("There are no songs shown to play."));
        return;
    }
    // The player reads the playlist after it was handed over: it stays until the next one.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString playlist = folder + QStringLiteral("/Play All Shown.m3u8");
    if (!QDir().mkpath(folder)) {
        c.prompter->ask(QStringLiteral("The folder '%1' for the playlist could not be made.").arg(folder));
        return;
    }
    auto result = std::make_shared<PlayAllShown::Result>();
    JobRunner::Job job;
    job.objectName = QStringLiteral("playAllProgress");
    job.title = QStringLiteral("Play All Shown");
    job.text = QStringLiteral("Finding the songs");
    job.work = [result, playlist, total, volumes = c.volumes, catalogue = c.session->databasePath(),
                source = c.session->records()->recordSource()](JobControl& control) {
        Database discs;
        discs.open(catalogue, true);
        *result = PlayAllShown::writePlaylist(
            catalogue, source, playlist, songLookup(volumes, discs), [&control, total](qint64 done) {
                control.progress(QStringLiteral("Finding the songs: %1 of %2").arg(done).arg(total), done,
                                 total);
                return !control.cancelled();
            });
    };
    job.done = [c, result, playlist] {
        if (result->failure) {
            c.prompter->ask(result->failure.description);
            return;
        }
        if (result->cancelled)
            return;
        if (result->songs > 0) {
            const QByteArray file = QFile::encodeName(playlist);
            Desktop::openFile(file, c.session, [c, file](const QString& why) {
                c.prompter->ask(Desktop::openFailureText(file, why));
            });
        }
        QString text = PlayAllShown::leftOutText(*result);
        if (result->songs == 0)
            text = QStringLiteral("None of the songs shown can be played now.") +
                   (text.isEmpty() ? QString() : QLatin1Char('\n') + text);
        if (!text.isEmpty())
            c.prompter->ask(text);
    };
    c.jobs->start(std::move(job));
}
