#pragma once

#include "store/database.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <vector>

// A song of a disc as a disc update compares it with the files on the disc.
struct DiscSong
{
    qint64 rowid = 0;
    QString artist;
    QString title;
    QString fullPath;
    QByteArray fileName; // null: rebuilt from artist and title
};

// Where a song of a disc went: its new folder, the category that folder gives, and its file's
// own name (none: the name its row rebuilds).
struct SongMove
{
    qint64 rowid = 0;
    std::string fullPath;
    std::string category;
    std::optional<std::string> fileName;
};

namespace DiscSongs {

// The songs `rowids`, read in one read transaction.
Failure read(Database& db, const std::vector<qint64>& rowids, std::vector<DiscSong>* songs);

// Gives each song of `moves` its new place, inside the caller's transaction; `moved` counts
// them.
Failure move(Database& db, const std::vector<SongMove>& moves, qint64* moved);

} // namespace DiscSongs
