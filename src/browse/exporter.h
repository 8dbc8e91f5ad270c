#pragma once

#include "browse/songlocator.h"
#include "store/database.h"
#include "store/recordsource.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Takes the rows shown out of the program, in their order, streamed from the catalogue
// (memory stays the same for a million rows) into a file that takes the place of the old
// one only once it is whole: a failed or stopped export leaves nothing behind.
namespace Exporter {

enum class Format
{
    Csv,     // RFC 4180, UTF-8 with a byte-order mark, a head line of captions
    Playlist // M3U8: #EXTINF with the length and "Artist - Title", then the song's file
};

// The format a file name asks for by its ending (.csv; .m3u8 or .m3u); nothing for others.
std::optional<Format> formatOf(const QString& path);

struct Hooks
{
    // For a playlist: the song's file, as playing would open it; an empty answer leaves the
    // song out. Without it each song is where the catalogue says.
    std::function<QByteArray(const PlayRow& row)> songFile;
    // A few times a second with the rows looked at so far; false stops the export.
    std::function<bool(qint64 written)> progress;
};

struct Result
{
    qint64 rows = 0; // rows written
    bool cancelled = false;
    Failure failure;
};

// Writes the result of `source` over the catalogue file `catalogue` into `path`.
Result write(const QString& catalogue, const RecordSource& source, const QString& path, Format format,
             const Hooks& hooks = {});

// Writes `lines` (the first the head line of captions) into `path` as CSV, as write() does.
Failure writeCsv(const QString& path, const QList<QStringList>& lines);

} // namespace Exporter
