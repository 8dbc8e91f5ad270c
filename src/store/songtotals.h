#pragma once

#include "store/database.h"
#include "store/recordsource.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// How much a set of songs holds: how many, how long they play together, and how many have
// no play time.
struct SongTotals
{
    qint64 songs = 0;
    qint64 seconds = 0;
    qint64 without = 0; // songs without a play time

    // "12,431 songs · 812:03:11 · 1,204 without a play time"
    QString text() const;
    // "1 song", "12,431 songs"
    static QString countText(qint64 songs);
};

namespace Duplicates {

// The rows of the songs whose artist and title (case, accents and blanks at either end
// aside, and a duplicate number) are on more than one disc, or with `sameDiscToo` are there
// more than once at all: each song's rows together, by artist, title and disc, or with
// `orderBy` (field names) each song by the first of its rows in that order. Gives up, with
// nothing found, once `stop` is set.
Failure find(Database& db, bool sameDiscToo, std::vector<qint64>* rowids,
             const std::function<bool()>& stop = {}, const QStringList& orderBy = {});

// The key two rows of the same song share.
std::string songKey(std::string_view artist, std::string_view title);

} // namespace Duplicates

namespace Totals {

// The totals of the rows `source` shows.
Failure ofSource(Database& db, const RecordSource& source, SongTotals* totals,
                 const std::function<bool()>& stop = {});
// The totals of the rows `rowids` name.
Failure ofRows(Database& db, const std::vector<qint64>& rowids, SongTotals* totals,
               const std::function<bool()>& stop = {});

} // namespace Totals
