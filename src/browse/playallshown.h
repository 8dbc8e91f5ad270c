#pragma once

#include "browse/songlocator.h"
#include "store/database.h"
#include "store/recordsource.h"

#include <QStringList>

#include <functional>

// "Play All Shown": the songs of the rows shown whose discs are in a drive, found as playing
// finds one, become a playlist for the desktop's player.
namespace PlayAllShown {

struct Result
{
    qint64 songs = 0;        // in the playlist
    qint64 discAbsent = 0;   // left out: their disc is not in a drive
    qint64 notOnDisc = 0;    // left out: the disc is in but the song is not there, or the row
                             // has no file of its own (a numbered duplicate)
    qint64 notSongs = 0;     // left out: the row names a file that is no song (SongFile)
    QStringList absentDiscs; // in the order met
    bool cancelled = false;
    Failure failure;
};

// Writes the playlist of `source`'s songs over `catalogue` to `playlist`. `progress` is
// called a few times a second with the rows looked at; false stops.
Result writePlaylist(const QString& catalogue, const RecordSource& source, const QString& playlist,
                     const SongLocator::Hooks& lookup, const std::function<bool(qint64 done)>& progress);

// What the user is told when some songs were left out; empty when none were.
QString leftOutText(const Result& result);
// The line of it for `rows` rows that name files that are no songs.
QString notSongsText(qint64 rows);

} // namespace PlayAllShown
