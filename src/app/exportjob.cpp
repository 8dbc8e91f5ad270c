#include "app/exportjob.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/songlookup.h"
#include "browse/exporter.h"
#include "browse/playallshown.h"
#include "browse/songfinder.h"
#include "store/recordset.h"

#include "settings/settings.h"

#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

void ExportJob::start()
{
    const CommandContext& c = m_context;
    // Where the last export went, or the user's documents.
    QString path = m_settings->exportFolder();
    if (path.isEmpty() || !QFileInfo(path).isDir())
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!c.prompter->chooseFileToWrite(
            QStringLiteral("Export"),
            {QStringLiteral("CSV file (*.csv)"), QStringLiteral("M3U8 playlist (*.m3u8)")}, &path))
        return;
    const std::optional<Exporter::Format> format = Exporter::formatOf(path);
    if (!format) {
        c.prompter->ask(QStringLiteral("Choose a name that ends in .csv or .m3u8."));
        return;
    }
    auto result = std::make_shared<Exporter::Result>();
    auto notSongs = std::make_shared<qint64>(0);
    const qint64 total = c.session->records()->recordCount();
    JobRunner::Job job;
    job.objectName = QStringLiteral("exportProgress");
    job.title = QStringLiteral("Export");
    job.text = QStringLiteral("Exporting");
    job.work = [result, notSongs, path, format = *format, total, volumes = c.volumes,
                catalogue = c.session->databasePath(),
                source = c.session->records()->recordSource()](JobControl& control) {
        // A playlist names each song where playing would find it; songs whose discs are not
        // in keep the place the catalogue says.
        Database discs;
        discs.open(catalogue, true);
        SongFinder finder(songLookup(volumes, discs));
        Exporter::Hooks hooks;
        hooks.songFile = [&finder, notSongs](const PlayRow& row) -> QByteArray {
            const SongLocator::Result found = finder.find(row);
            switch (found.outcome) {
            case SongLocator::Outcome::Found:
                return found.file;
            case SongLocator::Outcome::NotASong:
                break;
            default:
                if (const QByteArray stored = SongFinder::storedFile(row); !stored.isEmpty())
                    return stored;
                break;
            }
            ++*notSongs;
            return {};
        };
        hooks.progress = [&control, total](qint64 done) {
            control.progress(QStringLiteral("Exporting: %1 of %2 songs").arg(done).arg(total), done, total);
            return !control.cancelled();
        };
        *result = Exporter::write(catalogue, source, path, format, hooks);
    };
    job.done = [c, result, notSongs, path, settings = m_settings] {
        if (result->failure) {
            c.prompter->ask(result->failure.description);
            return;
        }
        if (result->cancelled)
            return;
        settings->setExportFolder(QFileInfo(path).absolutePath());
        if (*notSongs > 0)
            c.prompter->ask(PlayAllShown::notSongsText(*notSongs));
    };
    c.jobs->start(std::move(job));
}
