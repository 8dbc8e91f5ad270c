#pragma once

#include "store/database.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// What the user keeps beside a disc: where it is, to whom it was lent and since when, and a
// note. Kept with the disc's record; a disc without a record gets one that holds only this.
struct DiscNotes
{
    enum Field
    {
        Location,
        LentTo,
        LentOn,
        Note,
        FieldCount
    };

    QString location;
    QString lentTo;
    QDate lentOn; // null when not known
    QString note;

    bool isEmpty() const
    {
        return location.isEmpty() && lentTo.isEmpty() && lentOn.isNull() && note.isEmpty();
    }
    // The notes in a line: "On shelf 3 · lent to the neighbour since 1 October 2026 ·
    // scratched, copy first"; empty when there are none.
    QString summary() const;
    // A field as it is shown and stored ("2026-10-01" for the date).
    QString text(Field field) const;
    // Sets a field to `text` as text() gives it.
    void set(Field field, const QString& text);

    // The stored names of the fields ("Location", "LentTo", "LentOn", "Note").
    static QString fieldName(Field field);
    // The field named `name` in any letter case, or nothing.
    static std::optional<Field> fieldNamed(const QString& name);
    // A date as the user may write it: 2026-10-01, 1 October 2026, or as the system's locale
    // writes dates; nothing for anything else.
    static std::optional<QDate> readDate(const QString& text);
};

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
    DiscNotes notes = {};
};

namespace DiscRecords {

// The statement that makes the table.
QString tableStatement();

// Stores the record of a disc built, replacing the one of the same name and root, with the
// time now as when it was built; its notes stay. A new record takes the notes of the disc it
// replaces: a record of the same name on the same file system (UUID), else the notes the
// name's songs had without a record. A catalogue without the table (read-only, older) keeps
// none.
Failure remember(Database& db, const DiscRecord& disc);

// Every record, in the order they were made.
Failure all(Database& db, QList<DiscRecord>* discs);

// The records of the discs called `name`, newest first; none in a catalogue without the table.
Failure named(Database& db, const QString& name, QList<DiscRecord>* discs);

// The notes of the songs of each name that no record claims, by name.
Failure loneNotes(Database& db, QList<std::pair<QString, DiscNotes>>* notes);

// Sets one of the notes of the disc `name` walked from `root` (empty: the disc of that name's
// songs without a record, which then gets a record to hold it) to `value`; an empty value
// clears it. `value` is kept as written, without blanks at either end; a date is stored as
// "2026-10-01" and must be one (InvalidArgument otherwise). `*kept` is what was stored.
Failure setNote(Database& db, const QString& name, const QString& root, DiscNotes::Field field,
                const QString& value, QString* kept = nullptr);

// The notes of the disc that holds a song of the disc `name` in `folder`: the record whose
// root holds the folder most closely, else those of the name's songs without a record.
Failure notesFor(Database& db, const QString& name, const QString& folder, DiscNotes* notes);

// The notes of the songs of `name` without a record go with them to `newName` (those a disc of
// that name had are dropped), or with `newName` empty go with the songs.
Failure moveLoneNotes(Database& db, const QString& name, const QString& newName);

} // namespace DiscRecords
