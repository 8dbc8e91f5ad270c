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

namespace {

// What an export reads of each row's song: for a playlist, where playing would find it, or
// where the catalogue says for songs whose discs are not in; rows that name no song file are
// left out and counted in `notSongs`.
Exporter::Hooks exportHooks(SongFinder& finder, JobControl& control, qint64 total,
                            const std::shared_ptr<qint64>& notSongs)
{
    Exporter::Hooks hooks;
    hooks.songFile = [&finder, notSongs](const PlayRow& row) -> QByteArray {
        const SongLocator::Result found = finder.find(row);
        if (found.outcome == SongLocator::Outcome::Found)
            return found.file;
        if (found.outcome != SongLocator::Outcome::NotASong) {
            if (const QByteArray stored = SongFinder::storedFile(row); !stored.isEmpty())
                return stored;
        }
        ++*notSongs;
        return {};
    };
    hooks.progress = [&control, total](qint64 done) {
        control.progress(QStringLiteral("Exporting: %1 of %2 songs").arg(done).arg(total), done, total);
        return !control.cancelled();
    };
    return hooks;
}

} // namespace

bool ExportJob::chooseFile(QString* path, Exporter::Format* format) const
{
    // Where the last export went, or the user's documents.
    *path = m_settings->exportFolder();
    if (path->isEmpty() || !QFileInfo(*path).isDir())
        *path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!m_context.prompter->chooseFileToWrite(
            QStringLiteral("Export"),
            {QStringLiteral("CSV file (*.csv)"), QStringLiteral("M3U8 playlist (*.m3u8)")}, path))
        return false;
    const std::optional<Exporter::Format> chosen = Exporter::formatOf(*path);
    if (!chosen) {
        m_context.prompter->ask(QStringLiteral("Choose a name that ends in .csv or .m3u8."));
        return false;
    }
    *format = *chosen;
    return true;
}

void ExportJob::start()
{
    const CommandContext& c = m_context;
    QString path;
    Exporter::Format format;
    if (!chooseFile(&path, &format))
        return;
    auto result = std::make_shared<Exporter::Result>();
    auto notSongs = std::make_shared<qint64>(0);
    JobRunner::Job job;
    job.objectName = QStringLiteral("exportProgress");
    job.title = QStringLiteral("Export");
    job.text = QStringLiteral("Exporting");
    job.work = [result, notSongs, path, format, total = c.session->records()->recordCount(),
                volumes = c.volumes, catalogue = c.session->databasePath(),
                source = c.session->records()->recordSource()](JobControl& control) {
        Database discs;
        discs.open(catalogue, true);
        SongFinder finder(songLookup(volumes, discs));
        *result =
            Exporter::write(catalogue, source, path, format, exportHooks(finder, control, total, notSongs));
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
