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
        switch (found.outcome) {
        case SongLocator::Outcome::Found:
            return found.file;
        case SongLocator::Outcome::NotFound:
            ++result.discAbsent;
            break;
        case SongLocator::Outcome::DiscWithoutSong:
            ++result.notOnDisc;
            break;
        case SongLocator::Outcome::NotASong:
            ++result.notSongs;
            break;
        }
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
    const QString discs = result.absentDiscs.join(QStringLiteral(", "));
    QStringList lines;
    if (result.discAbsent == 1)
        lines << QStringLiteral("1 song was left out: its disc is not in a drive (%1).").arg(discs);
    else if (result.discAbsent > 1)
        lines << QStringLiteral("%1 songs were left out: their discs are not in a drive (%2).")
                     .arg(result.discAbsent)
                     .arg(discs);
    if (result.notOnDisc == 1)
        lines << QStringLiteral("1 song was left out: it is not on its disc.");
    else if (result.notOnDisc > 1)
        lines << QStringLiteral("%1 songs were left out: they are not on their disc.").arg(result.notOnDisc);
    if (result.notSongs > 0)
        lines << notSongsText(result.notSongs);
    return lines.join(QLatin1Char('\n'));
}

QString notSongsText(qint64 rows)
{
    return rows == 1 ? QStringLiteral("1 row was left out: it names a file that is not a song.")
                     : QStringLiteral("%1 rows were left out: they name files that are not songs.").arg(rows);
}

} // namespace PlayAllShown
