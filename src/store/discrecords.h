#pragma once

#include "store/database.h"

#include <QList>
#include <QString>

// What the catalogue remembers of each disc it was built from, so that the disc's songs
// can be found again wherever it is mounted later. Kept in a table of its own beside the
// songs (whose layout other programs rely on); a build updates its disc's record.
struct DiscRecord
{
    QString name;       // the disc name its songs carry (MP3cd)
    QString root;       // the folder the build walked, ending in "/"
    QString volumeRoot; // the folder the volume was mounted on then, ending in "/"
    QString label;
    QString uuid;
    QString fileSystem;
    qint64 size = 0;
    QString built = {}; // when it was last built or updated, "2026-12-07 16:30"; empty when not known
};

namespace DiscRecords {

// The statement that makes the table.
QString tableStatement();

// Stores the record of a disc built, replacing the one of the same name and root, with the
// time now as when it was built. A catalogue without the table (read-only, older) keeps none.
Failure remember(Database& db, const DiscRecord& disc);

// Every record, in the order they were made.
Failure all(Database& db, QList<DiscRecord>* discs);

// The records of the discs called `name`, newest first; none in a catalogue without the table.
Failure named(Database& db, const QString& name, QList<DiscRecord>* discs);

} // namespace DiscRecords
