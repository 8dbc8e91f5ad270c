#include "browse/playallshown.h"

#include "browse/exporter.h"
#include "browse/songfinder.h"

namespace PlayAllShown {

Result writePlaylist(const QString& catalogue, const RecordSource& source, const QString& playlist,
                     const SongLocator::Hooks& lookup, const std::function<bool(qint64 done)>& progress)
{
    Result result;
    SongFinder finder(lookup);
    Exporter::Hooks hooks;
    hooks.songFile = [&](const PlayRow& row) -> QByteArray {
        const SongLocator::Result found = finder.find(row);
        if (found.outcome == SongLocator::Outcome::Found)
            return found.file;
        ++(found.outcome == SongLocator::Outcome::NotFound ? result.discAbsent : result.notOnDisc);
        return {};
    };
    hooks.progress = progress;
    const Exporter::Result written =
        Exporter::write(catalogue, source, playlist, Exporter::Format::Playlist, hooks);
    result.songs = written.rows;
    result.cancelled = written.cancelled;
    result.failure = written.failure;
    result.absentDiscs = finder.absentDiscs();
    return result;
}

QString leftOutText(const Result& result)
{
    auto songs = [](qint64 count) {
        return count == 1 ? QStringLiteral("1 song was") : QStringLiteral("%1 songs were").arg(count);
    };
    QStringList lines;
    if (result.discAbsent > 0)
        lines << QStringLiteral("%1 left out: their discs are not in a drive (%2).")
                     .arg(songs(result.discAbsent), result.absentDiscs.join(QStringLiteral(", ")));
    if (result.notOnDisc > 0)
        lines << QStringLiteral("%1 left out: they are not on their disc.").arg(songs(result.notOnDisc));
    return lines.join(QLatin1Char('\n'));
}

} // namespace PlayAllShown
