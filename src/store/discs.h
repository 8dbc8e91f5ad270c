#pragma once

#include "store/database.h"
#include "store/discrecords.h"

#include <QList>
#include <QString>

#include <atomic>
#include <vector>

// The discs a catalogue holds. A disc is a disc name with the folder it was walked from (its
// record): its songs are those of its name whose folder lies under that folder (under the
// deepest such folder, when records of one name nest). Songs of a name that no record claims
// (catalogued before discs were remembered, or typed in) form one disc of their own.
struct Disc
{
    QString name;
    bool recorded = false;
    DiscRecord record; // when recorded; for a disc without one, only its notes are here
    qint64 songs = 0;
    // The total play time, once Discs::addPlayTimes() has read it.
    bool timesKnown = false;
    qint64 seconds = 0;
    qint64 withoutTime = 0; // songs without a play time

    // The folder the disc was walked from; empty for a disc without a record.
    QString root() const { return recorded ? record.root : QString(); }
    bool sameDisc(const Disc& other) const;
};

namespace Discs {

// Every disc, with its songs counted: recorded ones in the order they were first built, then
// names without a record in name order. Reads one index, not the songs themselves.
Failure list(Database& db, QList<Disc>* discs);
// Adds the total play time of each disc of `discs` (as list() gave them); reads every song.
// Gives up, with the discs as they were, once `stop` is set.
Failure addPlayTimes(Database& db, QList<Disc>* discs, const std::atomic<bool>* stop = nullptr);

// The rowids of the songs of `disc`, in the table's order.
Failure songsOf(Database& db, const Disc& disc, std::vector<qint64>* rowids);

// A song of a disc with what a listing shows of it.
struct DiscSong
{
    qint64 rowid = 0;
    QString artist;
    QString title;
    QString playTime;
    QString category;
    QString folder;
};
// The songs of `disc`, in the order they were catalogued.
Failure readSongs(Database& db, const Disc& disc, std::vector<DiscSong>* songs);

// The longest name a disc may be given.
constexpr int maxNameLength = 255;
// `name` as a disc's name is kept: without blanks at either end. An empty name, one longer
// than maxNameLength or one with a control character (a line break, a tab) is refused
// (InvalidArgument).
Failure validName(const QString& name, QString* kept);

// Names the disc `newName` (as validName() keeps it) on all its songs and on its record (its
// notes go with it), all or nothing. A name that another disc has already is refused (InvalidArgument), as is
// one validName() refuses.
Failure rename(Database& db, const Disc& disc, const QString& newName, qint64* songs = nullptr);
// Removes the disc's songs and its record (with its notes), all or nothing.
Failure remove(Database& db, const Disc& disc, qint64* songs = nullptr);

// Whether two disc names are the same name, as the catalogue compares them (letter case of
// ASCII letters aside).
bool sameName(const QString& a, const QString& b);

} // namespace Discs
