#include "store/schema.h"

#include "store/discrecords.h"

#include <QFile>
#include <QFileInfo>

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

bool hasFileNameField(Database& db)
{
    Statement probe;
    return !probe
                .prepare(db.handle(),
                         QStringLiteral("SELECT %1 FROM %2 LIMIT 0").arg(fileNameField, tableName))
                .failed();
}

Failure addFileNameField(Database& db)
{
    if (hasFileNameField(db))
        return {};
    // Adding a column rewrites no row: old rows read it as null.
    return db.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(tableName, fileNameField));
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
    if (Failure f = db.execute(QStringLiteral("BEGIN")))
        return f;
    for (const QString& sql : statements) {
        if (Failure f = db.execute(sql)) {
            db.execute(QStringLiteral("ROLLBACK"));
            return f;
        }
    }
    Failure failure = db.execute(QStringLiteral("COMMIT"));
    if (failure)
        db.execute(QStringLiteral("ROLLBACK"));
    return failure;
}
} // namespace

QStringList sortIndexStatements()
{
    QStringList statements;
    for (const auto& index : sortIndexes)
        statements << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                          .arg(QLatin1String(index[0]), tableName, QLatin1String(index[1]));
    return statements;
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

Failure createCatalogue(const QString& path)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return {SQLITE_CANTOPEN, QStringLiteral("'%1' already exists; it is left as it is.").arg(path)};
    const QByteArray name = path.toUtf8();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Failure failure = failureFromSqlite(db, rc);
    if (!failure) {
        QStringList statements = schemaStatements();
        statements.prepend(QStringLiteral("BEGIN"));
        // Larger pages make long runs of additions (a whole disc at a time) cheaper.
        statements.prepend(QStringLiteral("PRAGMA page_size=16384"));
        statements.append(QStringLiteral("COMMIT"));
        for (const QString& sql : statements) {
            rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
            failure = failureFromSqlite(db, rc);
            if (failure)
                break;
        }
    }
    sqlite3_close_v2(db);
    if (failure && QFileInfo(path).isFile())
        QFile::remove(path);
    return failure;
}

} // namespace Song
