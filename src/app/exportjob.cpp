#include "app/exportjob.h"

#include "app/busypointer.h"
#include "app/cataloguesession.h"
#include "app/desktop.h"
#include "app/progresswindow.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/exporter.h"
#include "browse/playallshown.h"
#include "browse/songfinder.h"
#include "store/recordset.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

void ExportJob::run()
{
    QString path;
    if (!m.prompter->chooseFileToWrite(
            QStringLiteral("Export"),
            {QStringLiteral("CSV file (*.csv)"), QStringLiteral("M3U8 playlist (*.m3u8)")}, &path))
        return;
    const std::optional<Exporter::Format> format = Exporter::formatOf(path);
    if (!format) {
        m.prompter->ask(QStringLiteral("Choose a name that ends in .csv or .m3u8."));
        return;
    }
    const RecordSet* records = m.session->records();
    Exporter::Result result;
    {
        BusyPointer busy;
        ProgressWindow progress(QStringLiteral("exportProgress"), QStringLiteral("Export"),
                                records->recordCount(), m.window);
        // A playlist names each song where playing would find it; songs whose discs are not
        // in keep the place the catalogue says.
        SongFinder finder(songLookup(m.volumes, m.session));
        Exporter::Hooks hooks;
        hooks.songFile = [&finder](const PlayRow& row) {
            const SongLocator::Result found = finder.find(row);
            return found.outcome == SongLocator::Outcome::Found ? found.file : SongFinder::storedFile(row);
        };
        hooks.progress = [&progress](qint64 done) {
            return progress.step(done, QStringLiteral("Exporting"));
        };
        result = Exporter::write(m.session->databasePath(), records->recordSource(), path, *format, hooks);
    }
    if (result.failure)
        m.prompter->ask(result.failure.description);
}

void PlayAllJob::run()
{
    const RecordSet* records = m.session->records();
    if (records->recordCount() == 0) {
        m.prompter->ask(QStringLiteral("There are no songs shown to play."));
        return;
    }
    // The player reads the playlist after it was handed over: it stays until the next one.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString playlist = folder + QStringLiteral("/Play All Shown.m3u8");
    PlayAllShown::Result result;
    {
        BusyPointer busy;
        ProgressWindow progress(QStringLiteral("playAllProgress"), QStringLiteral("Play All Shown"),
                                records->recordCount(), m.window);
        if (!QDir().mkpath(folder)) {
            result.failure = {
                FailureNumber::InvalidArgument,
                QStringLiteral("The folder '%1' for the playlist could not be made.").arg(folder)};
        } else {
            result = PlayAllShown::writePlaylist(m.session->databasePath(), records->recordSource(), playlist,
                                                 songLookup(m.volumes, m.session), [&progress](qint64 done) {
                                                     return progress.step(
                                                         done, QStringLiteral("Finding the songs"));
                                                 });
        }
    }
    if (result.failure) {
        m.prompter->ask(result.failure.description);
        return;
    }
    if (result.cancelled)
        return;
    if (result.songs > 0)
        Desktop::openFile(QFile::encodeName(playlist));
    QString text = PlayAllShown::leftOutText(result);
    if (result.songs == 0)
        text = QStringLiteral("None of the songs shown can be played now.") +
               (text.isEmpty() ? QString() : QLatin1Char('\n') + text);
    if (!text.isEmpty())
        m.prompter->ask(text);
}
