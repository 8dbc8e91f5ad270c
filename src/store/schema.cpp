#include "store/schema.h"

#include "store/discrecords.h"

#include <QFile>
#include <QFileInfo>

#include "store/transaction.h"

#include <sqlite3.h>

namespace Song {

const QStringList& fieldNames()
{
    static const QStringList names = {QStringLiteral("Artist"),   QStringLiteral("Title"),
                                      QStringLiteral("Playtime"), QStringLiteral("ONcd"),
                                      QStringLiteral("MP3cd"),    QStringLiteral("Category"),
                                      QStringLiteral("FullPath")};
    return names;
}

int fieldIndex(const QString& name)
{
    const QStringList& names = fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString insertStatement()
{
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (?,?,?,?,?,?,?)")
        .arg(tableName, fieldNames().join(QLatin1Char(',')));
}

QString insertWithFileNameStatement()
{
    return QStringLiteral("INSERT INTO %1 (%2,%3) VALUES (?,?,?,?,?,?,?,?)")
        .arg(tableName, fieldNames().join(QLatin1Char(',')), fileNameField);
}

QStringList schemaStatements()
{
    // Text compares without regard to case, so the unique key and the sort orders
    // treat "ABBA" and "Abba" as the same name.
    return QStringList{
               QStringLiteral("CREATE TABLE adosong ("
                              "Artist TEXT COLLATE NOCASE, "
                              "Title TEXT COLLATE NOCASE, "
                              "Playtime TEXT COLLATE NOCASE, "
                              "ONcd INTEGER, "
                              "MP3cd TEXT COLLATE NOCASE, "
                              "Category TEXT COLLATE NOCASE, "
                              "FullPath TEXT COLLATE NOCASE, "
                              "FileName TEXT)"),
               QStringLiteral("CREATE UNIQUE INDEX adosong_artist_title ON adosong (Artist, Title)"),
               DiscRecords::tableStatement(),
           } +
           sortIndexStatements();
}

namespace {
// Every order a column head offers besides the unique key's own: index name and keys.
const char* const sortIndexes[][2] = {
    {"adosong_title", "Title, Artist"},
    {"adosong_playtime", "Playtime, Artist"},
    {"adosong_mp3cd", "MP3cd, Artist"},
    {"adosong_category", "Category, Artist"},
    // Not a sort order: the songs of each disc, folder by folder, for the list of discs.
    {"adosong_disc", "MP3cd, FullPath COLLATE BINARY"},
};

// Runs `statements` as one transaction: all of them or none.
Failure runTogether(Database& db, const QStringList& statements)
{
    Transaction together(db);
    if (together.begun())
        return together.begun();
    for (const QString& sql : statements) {
        if (Failure f = db.execute(sql))
            return f;
    }
    return together.commit();
}

// What a catalogue of each version has that the one before lacked, in order. Each step looks
// first: a file the shell changed may have part of it already, or lack part of its version.
struct Step
{
    int version; // the first version that has it
    Failure (*run)(Database& db);
};

Failure keepFileNames(Database& db)
{
    // Adding a column rewrites no row: old rows read it as null.
    return db.shape().fileNames
               ? Failure()
               : db.execute(
                     QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(tableName, fileNameField));
}

Failure rememberDiscs(Database& db)
{
    if (!db.shape().discs)
        return db.execute(DiscRecords::tableStatement());
    return db.shape().discsDated ? Failure()
                                 : db.execute(QStringLiteral("ALTER TABLE adodisc ADD COLUMN Built TEXT"));
}

Failure indexEveryOrder(Database& db)
{
    for (const QString& sql : sortIndexStatements()) {
        if (Failure f = db.execute(sql))
            return f;
    }
    return {};
}

Failure noteDiscs(Database& db)
{
    QStringList present;
    Statement columns;
    if (Failure f = columns.prepare(db.handle(),
                                    QStringLiteral("SELECT lower(name) FROM pragma_table_info('adodisc')")))
        return f;
    while (columns.step())
        present << columns.column(0).toString();
    for (const char* column : {"Location", "LentTo", "LentOn", "Note"}) {
        if (present.contains(QString::fromLatin1(column).toLower()))
            continue;
        if (Failure f = db.execute(
                QStringLiteral("ALTER TABLE adodisc ADD COLUMN %1 TEXT").arg(QLatin1String(column))))
            return f;
    }
    return {};
}

const Step steps[] = {
    {1, keepFileNames},
    {2, rememberDiscs},
    {3, indexEveryOrder},
    {4, noteDiscs},
};

} // namespace

QStringList sortIndexStatements()
{
    QStringList statements;
    for (const auto& index : sortIndexes)
        statements << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                          .arg(QLatin1String(index[0]), tableName, QLatin1String(index[1]));
    return statements;
}

QList<std::pair<QString, QStringList>> coveringIndexes()
{
    QList<std::pair<QString, QStringList>> indexes{
        {QStringLiteral("adosong_artist_title"), {QStringLiteral("Artist"), QStringLiteral("Title")}}};
    for (const auto& index : sortIndexes) {
        QStringList columns;
        for (const QString& key : QString::fromLatin1(index[1]).split(QLatin1Char(',')))
            columns << key.trimmed().section(QLatin1Char(' '), 0, 0);
        indexes.append({QString::fromLatin1(index[0]), columns});
    }
    return indexes;
}

Failure addMissingSortIndexes(Database& db)
{
    // Looking first keeps an up-to-date catalogue free of any write at opening.
    QStringList names;
    for (const auto& index : sortIndexes)
        names << QStringLiteral("'%1'").arg(QLatin1String(index[0]));
    Statement present;
    if (Failure f = present.prepare(
            db.handle(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                                        "name IN (%1)")
                             .arg(names.join(QLatin1Char(',')))))
        return f;
    Failure failure;
    if (present.step(&failure) && present.column(0).toInt() == int(std::size(sortIndexes)))
        return {};
    if (failure)
        return failure;
    return runTogether(db, sortIndexStatements());
}

Failure dropSortIndexes(Database& db)
{
    QStringList statements;
    for (const auto& index : sortIndexes)
        statements << QStringLiteral("DROP INDEX IF EXISTS %1").arg(QLatin1String(index[0]));
    return runTogether(db, statements);
}

bool isNewer(const CatalogueShape& shape)
{
    return shape.version > schemaVersion;
}

Failure upgrade(Database& db)
{
    // A file of this version may still lack a part the shell took away: the steps look first.
    const CatalogueShape& shape = db.shape();
    const bool whole = shape.fileNames && shape.discs && shape.discsDated && shape.discNotes;
    if (shape.version > schemaVersion || (shape.version == schemaVersion && whole))
        return {};
    const Failure failure = [&db]() -> Failure {
        Transaction write(db, Transaction::Kind::Immediate);
        if (write.begun())
            return write.begun();
        for (const Step& step : steps) {
            if (Failure f = step.run(db))
                return f;
            // What a step made, the next ones see.
            db.learnShape();
        }
        if (Failure f = db.execute(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion)))
            return f;
        return write.commit();
    }();
    // What the file holds now: all of it, or (rolled back) what it held before.
    db.learnShape();
    return failure;
}

Failure createCatalogue(const QString& path)
{
    Database db;
    Failure failure = db.create(path);
    // Larger pages make long runs of additions (a whole disc at a time) cheaper.
    if (!failure)
        failure = db.execute(QStringLiteral("PRAGMA page_size=16384"));
    if (!failure)
        failure = runTogether(db, schemaStatements()
                                      << QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion));
    const bool made = db.isOpen();
    db.close();
    if (failure && made)
        QFile::remove(path);
    return failure;
}

} // namespace Song
