#include "store/discrecords.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <sqlite3.h>

QString DiscNotes::fieldName(Field field)
{
    switch (field) {
    case Location:
        return QStringLiteral("Location");
    case LentTo:
        return QStringLiteral("LentTo");
    case LentOn:
        return QStringLiteral("LentOn");
    case Note:
    case FieldCount:
        break;
    }
    return QStringLiteral("Note");
}

std::optional<DiscNotes::Field> DiscNotes::fieldNamed(const QString& name)
{
    for (int field = 0; field < FieldCount; ++field) {
        if (fieldName(Field(field)).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return Field(field);
    }
    return std::nullopt;
}

std::optional<QDate> DiscNotes::readDate(const QString& text)
{
    const QString date = text.simplified();
    const QLocale english(QLocale::English);
    for (const QDate read :
         {QDate::fromString(date, Qt::ISODate), english.toDate(date, QStringLiteral("d MMMM yyyy")),
          english.toDate(date, QStringLiteral("d MMM yyyy")), QLocale().toDate(date, QLocale::ShortFormat),
          QLocale().toDate(date, QLocale::LongFormat)}) {
        if (read.isValid())
            return read;
    }
    return std::nullopt;
}

QString DiscNotes::text(Field field) const
{
    switch (field) {
    case Location:
        return location;
    case LentTo:
        return lentTo;
    case LentOn:
        return lentOn.isValid() ? lentOn.toString(Qt::ISODate) : QString();
    case Note:
    case FieldCount:
        break;
    }
    return note;
}

void DiscNotes::set(Field field, const QString& text)
{
    switch (field) {
    case Location:
        location = text;
        break;
    case LentTo:
        lentTo = text;
        break;
    case LentOn:
        lentOn = QDate::fromString(text, Qt::ISODate);
        break;
    case Note:
    case FieldCount:
        note = text;
        break;
    }
}

namespace {
// A place written as it is said after "On": "shelf 3". One that says how it lies already
// ("in the attic", "under the bed") is taken as it stands.
QString placeText(const QString& location)
{
    static const QStringList ways = {
        QStringLiteral("on"),     QStringLiteral("in"),     QStringLiteral("at"),    QStringLiteral("under"),
        QStringLiteral("behind"), QStringLiteral("beside"), QStringLiteral("by"),    QStringLiteral("with"),
        QStringLiteral("inside"), QStringLiteral("near"),   QStringLiteral("above"), QStringLiteral("below"),
        QStringLiteral("between")};
    const QString first = location.section(QLatin1Char(' '), 0, 0).toLower();
    if (ways.contains(first))
        return location.left(1).toUpper() + location.mid(1);
    return QStringLiteral("On ") + location;
}
} // namespace

QString DiscNotes::summary() const
{
    QStringList parts;
    if (!location.isEmpty())
        parts << placeText(location);
    if (!lentTo.isEmpty() || lentOn.isValid()) {
        QString lent = parts.isEmpty() ? QStringLiteral("Lent") : QStringLiteral("lent");
        if (!lentTo.isEmpty())
            lent += QStringLiteral(" to ") + lentTo;
        if (lentOn.isValid())
            lent += QStringLiteral(" since ") +
                    QLocale(QLocale::English).toString(lentOn, QStringLiteral("d MMMM yyyy"));
        parts << lent;
    }
    if (!note.isEmpty())
        parts << note;
    return parts.join(QStringLiteral(" · "));
}

namespace DiscRecords {

namespace {

const QString noteColumns = QStringLiteral("Location, LentTo, LentOn, Note");

// The notes of a row read from column `first` on (the four note columns in order).
DiscNotes notesAt(const Statement& row, int first)
{
    DiscNotes notes;
    for (int field = 0; field < DiscNotes::FieldCount; ++field)
        notes.set(DiscNotes::Field(field), row.column(first + field).toString());
    return notes;
}

QVariant orNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// The notes a new record of `disc` takes over: those of a record of its name on the same
// file system, else those its name's songs had without a record. (A record that is there
// already keeps its own.)
Failure inheritedNotes(Database& db, const DiscRecord& disc, DiscNotes* notes)
{
    Statement query;
    if (Failure f = query.prepare(db.handle(), QStringLiteral("SELECT Root, UUID, %1 FROM adodisc WHERE "
                                                              "MP3cd=? ORDER BY rowid DESC")
                                                   .arg(noteColumns)))
        return f;
    query.bind(1, disc.name);
    bool fromSameVolume = false;
    Failure failure;
    while (query.step(&failure)) {
        const QString root = query.column(0).toString();
        const QString uuid = query.column(1).toString();
        const DiscNotes found = notesAt(query, 2);
        if (found.isEmpty())
            continue;
        if (!fromSameVolume && root.isEmpty() && notes->isEmpty())
            *notes = found;
        if (!fromSameVolume && !root.isEmpty() && !uuid.isEmpty() && uuid == disc.uuid) {
            *notes = found;
            fromSameVolume = true;
        }
    }
    return failure;
}

} // namespace

QString tableStatement()
{
    // The disc name compares as the songs' does; folders are compared exactly. A record with an
    // empty root holds only the notes of the songs of its name that no record claims.
    return QStringLiteral("CREATE TABLE IF NOT EXISTS adodisc ("
                          "MP3cd TEXT COLLATE NOCASE, Root TEXT, VolumeRoot TEXT, Label TEXT, "
                          "UUID TEXT, FileSystem TEXT, Size INTEGER, Built TEXT, "
                          "Location TEXT, LentTo TEXT, LentOn TEXT, Note TEXT, UNIQUE (MP3cd, Root))");
}

Failure remember(Database& db, const DiscRecord& disc)
{
    if (!db.shape().discsDated)
        return {FailureNumber::InvalidArgument, QStringLiteral("The catalogue keeps no records of discs.")};
    const bool withNotes = db.shape().discNotes;
    DiscNotes notes = disc.notes;
    if (withNotes && notes.isEmpty()) {
        if (Failure f = inheritedNotes(db, disc, &notes))
            return f;
    }
    Statement upsert;
    if (Failure f = upsert.prepare(
            db.handle(),
            QStringLiteral(
                "INSERT INTO adodisc (MP3cd, Root, VolumeRoot, Label, UUID, FileSystem, Size, Built%1) "
                "VALUES (?,?,?,?,?,?,?,?%2) ON CONFLICT (MP3cd, Root) DO UPDATE SET "
                "VolumeRoot=excluded.VolumeRoot, Label=excluded.Label, UUID=excluded.UUID, "
                "FileSystem=excluded.FileSystem, Size=excluded.Size, Built=excluded.Built")
                .arg(withNotes ? QStringLiteral(", ") + noteColumns : QString(),
                     withNotes ? QStringLiteral(",?,?,?,?") : QString())))
        return f;
    QVariantList values = {
        disc.name,       disc.root,
        disc.volumeRoot, disc.label,
        disc.uuid,       disc.fileSystem,
        disc.size,       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))};
    if (withNotes) {
        for (int field = 0; field < DiscNotes::FieldCount; ++field)
            values << orNull(notes.text(DiscNotes::Field(field)));
    }
    for (int i = 0; i < values.size(); ++i)
        upsert.bind(i + 1, values[i]);
    Failure failure;
    upsert.step(&failure);
    return failure;
}

namespace {
// The records `where` picks, in `order`; a catalogue made before builds were dated has none.
// Records that hold only notes are none of them.
Failure select(Database& db, const QString& where, const QString& order, const QString& name,
               QList<DiscRecord>* discs)
{
    discs->clear();
    if (!db.shape().discs)
        return {};
    const bool hasBuilt = db.shape().discsDated;
    Statement query;
    if (Failure f = query.prepare(
            db.handle(),
            QStringLiteral("SELECT MP3cd, Root, VolumeRoot, Label, UUID, FileSystem, Size, %1, %2 "
                           "FROM adodisc WHERE Root <> '' %3 ORDER BY %4")
                .arg(hasBuilt ? QStringLiteral("Built") : QStringLiteral("NULL"),
                     db.shape().discNotes ? noteColumns : QStringLiteral("NULL, NULL, NULL, NULL"), where,
                     order)))
        return f;
    if (!where.isEmpty())
        query.bind(1, name);
    Failure failure;
    while (query.step(&failure)) {
        DiscRecord disc;
        disc.name = query.column(0).toString();
        disc.root = query.column(1).toString();
        disc.volumeRoot = query.column(2).toString();
        disc.label = query.column(3).toString();
        disc.uuid = query.column(4).toString();
        disc.fileSystem = query.column(5).toString();
        disc.size = query.column(6).toLongLong();
        disc.built = query.column(7).toString();
        disc.notes = notesAt(query, 8);
        *discs << disc;
    }
    return failure;
}
} // namespace

Failure named(Database& db, const QString& name, QList<DiscRecord>* discs)
{
    return select(db, QStringLiteral("AND MP3cd=?"), QStringLiteral("rowid DESC"), name, discs);
}

Failure all(Database& db, QList<DiscRecord>* discs)
{
    return select(db, QString(), QStringLiteral("rowid"), QString(), discs);
}

Failure loneNotes(Database& db, QList<std::pair<QString, DiscNotes>>* notes)
{
    notes->clear();
    if (!db.shape().discNotes)
        return {};
    Statement query;
    if (Failure f = query.prepare(
            db.handle(), QStringLiteral("SELECT MP3cd, %1 FROM adodisc WHERE Root = ''").arg(noteColumns)))
        return f;
    Failure failure;
    while (query.step(&failure))
        notes->append({query.column(0).toString(), notesAt(query, 1)});
    return failure;
}

Failure setNote(Database& db, const QString& name, const QString& root, DiscNotes::Field field,
                const QString& value, QString* kept)
{
    if (!db.shape().discNotes)
        return {FailureNumber::InvalidArgument, QStringLiteral("This catalogue cannot keep notes of discs.")};
    if (name.isEmpty())
        return {FailureNumber::InvalidArgument,
                QStringLiteral("A disc without a name cannot keep notes: give it a name first.")};
    QString stored = value.trimmed();
    if (field == DiscNotes::LentOn && !stored.isEmpty()) {
        const std::optional<QDate> date = DiscNotes::readDate(stored);
        if (!date)
            return {FailureNumber::InvalidArgument,
                    QStringLiteral("'%1' is not a date: write it as 2026-10-01.").arg(stored)};
        stored = date->toString(Qt::ISODate);
    }
    const QString column = DiscNotes::fieldName(field);
    Statement write;
    if (Failure f = write.prepare(
            db.handle(),
            root.isEmpty()
                ? QStringLiteral("INSERT INTO adodisc (MP3cd, Root, %1) VALUES (?1, '', ?3) ON CONFLICT "
                                 "(MP3cd, Root) DO UPDATE SET %1=excluded.%1")
                      .arg(column)
                : QStringLiteral("UPDATE adodisc SET %1=?3 WHERE MP3cd=?1 AND Root=?2").arg(column)))
        return f;
    write.bind(1, name);
    if (!root.isEmpty())
        write.bind(2, root);
    write.bind(3, orNull(stored));
    Failure failure;
    write.step(&failure);
    if (failure)
        return failure;
    if (sqlite3_changes(db.handle()) == 0)
        return {FailureNumber::InvalidArgument,
                QStringLiteral("The disc %1 is no longer in the catalogue: its notes were not stored.")
                    .arg(name)};
    if (kept)
        *kept = stored;
    return {};
}

Failure notesFor(Database& db, const QString& name, const QString& folder, DiscNotes* notes)
{
    *notes = DiscNotes();
    if (!db.shape().discNotes)
        return {};
    Statement query;
    if (Failure f = query.prepare(
            db.handle(), QStringLiteral("SELECT Root, %1 FROM adodisc WHERE MP3cd=?").arg(noteColumns)))
        return f;
    query.bind(1, name);
    qsizetype deepest = -1; // the length of the root chosen; 0 for the notes without a record
    Failure failure;
    while (query.step(&failure)) {
        const QString root = query.column(0).toString();
        const bool holds = root.isEmpty() || (root.endsWith(QLatin1Char('/')) && folder.startsWith(root));
        if (holds && root.size() > deepest) {
            deepest = root.size();
            *notes = notesAt(query, 1);
        }
    }
    return failure;
}

Failure moveLoneNotes(Database& db, const QString& name, const QString& newName)
{
    if (!db.shape().discNotes)
        return {};
    // Notes left by a disc of the new name whose songs are gone give way.
    for (const QString& sql :
         {QStringLiteral("DELETE FROM adodisc WHERE Root = '' AND MP3cd=?2 AND MP3cd<>?1"),
          newName.isEmpty() ? QStringLiteral("DELETE FROM adodisc WHERE Root = '' AND MP3cd=?1")
                            : QStringLiteral("UPDATE adodisc SET MP3cd=?2 WHERE Root = '' AND MP3cd=?1")}) {
        Statement statement;
        if (Failure f = statement.prepare(db.handle(), sql))
            return f;
        statement.bind(1, name);
        if (sqlite3_bind_parameter_count(statement.get()) >= 2)
            statement.bind(2, newName);
        Failure failure;
        statement.step(&failure);
        if (failure)
            return failure;
    }
    return {};
}

} // namespace DiscRecords
