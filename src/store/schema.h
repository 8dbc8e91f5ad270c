#pragma once

#include "store/database.h"

#include <QString>
#include <QStringList>

#include <array>

// The song table: its fields in stored order, and the grid's columns.
namespace Song {

enum Field
{
    Artist = 0,
    Title,
    Playtime,
    ONcd,
    MP3cd,
    Category,
    FullPath,
    FieldCount
};

inline const QString tableName = QStringLiteral("adosong");

// After the seven fields: the song's own file name, where it is not the one rebuilt from
// the row ("Artist-Title.mp3"); null where it is. Held as text when the name is UTF-8 and
// as a blob of the file system's bytes when it is not.
inline const QString fileNameField = QStringLiteral("FileName");

// Field names as stored, by stored position.
const QStringList& fieldNames();

// The stored position of a field named in any letter case, or -1.
int fieldIndex(const QString& name);

// The grid's columns, left to right. They show the fields in another order than the
// table stores them: MP3cd comes before ONcd.
enum Column
{
    ArtistColumn = 0,
    TitleColumn,
    PlaytimeColumn,
    MP3cdColumn,
    OnCdColumn,
    CategoryColumn,
    FullPathColumn,
    ColumnCount
};

// The stored field each grid column shows.
constexpr std::array<int, ColumnCount> gridColumnField = {Artist, Title,    Playtime, MP3cd,
                                                          ONcd,   Category, FullPath};

// The grid column that shows a stored field.
constexpr int columnOfField(int field)
{
    for (int column = 0; column < ColumnCount; ++column) {
        if (gridColumnField[size_t(column)] == field)
            return column;
    }
    return -1;
}

// The statement that stores one row: every field, in stored order, as a parameter.
QString insertStatement();

// The same with the file name as an eighth parameter.
QString insertWithFileNameStatement();

// The statements that make an empty catalogue.
QStringList schemaStatements();

// The indexes behind the grid's sort orders, each made only when it is missing.
QStringList sortIndexStatements();
// Each index of the table with the columns it holds, the unique key's first.
QList<std::pair<QString, QStringList>> coveringIndexes();

// Gives a catalogue made by an earlier build the sort indexes it lacks.
Failure addMissingSortIndexes(Database& db);

// Removes the sort indexes; addMissingSortIndexes() makes them again.
Failure dropSortIndexes(Database& db);

// The version of the catalogue's layout this program writes (PRAGMA user_version).
constexpr int schemaVersion = 4;

// Whether a catalogue was written by a newer Trelmo than this one: it is only read.
bool isNewer(const CatalogueShape& shape);

// Gives a catalogue made by an older Trelmo (version below schemaVersion) what came since,
// all in one transaction, and learns its shape anew. Nothing for one of this version or a
// newer one, which is never brought down.
Failure upgrade(Database& db);

// Creates an empty catalogue at `path`. Refuses to touch a file that exists.
Failure createCatalogue(const QString& path);

} // namespace Song
