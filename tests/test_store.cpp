#include "testsupport.h"

#include "browse/columnsort.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/songmodel.h"
#include "store/songtable.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

namespace {

Failure addSong(SongTable& table, const QString& artist, const QString& title, const QString& disc = "ROCK1")
{
    table.addNew();
    table.setField("Artist", artist);
    table.setField("title", title);
    table.setField("category", "Rock");
    table.setField("mp3cd", disc);
    table.setField("ONcd", false);
    table.setField("FullPath", "/media/cdrom/Rock/");
    return table.update();
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT
private slots:
    void duplicateKeyIgnoresCase();
    void batchesCommitAndSurviveFailures();
    void recordSetMovesAndEvents();
    void deleteAndUpdate();
    void modelShowsYesNoAndNewRow();
    void modelPassesTester();
    void manyRowsWithoutLoadingThem();
    void olderCataloguesGetSortIndexes();
};

void StoreTest::duplicateKeyIgnoresCase()
{
    ProgramFolder folder;
    Database db;
    QVERIFY(!db.open(folder.databasePath()).failed());
    SongTable table;
    QVERIFY(!table.open(db, "ADOSong").failed());
    QVERIFY(!addSong(table, "Kestrel", "Harbour").failed());
    const Failure dup = addSong(table, "KESTREL", "harbour", "OTHERDISC");
    QCOMPARE(dup.number, FailureNumber::DuplicateKey);
    QVERIFY(!dup.description.isEmpty());
    QVERIFY(!addSong(table, "Kestrel", "Harbour ****1").failed());
    QVERIFY(!table.setField("NoSuchField", "x"));

    RecordSet records;
    records.setCatalogue(folder.databasePath());
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.recordCount(), 2);
    // Stored values keep the letter case they were given.
    QCOMPARE(records.value(0, Song::Artist).toString(), QStringLiteral("Kestrel"));
    QCOMPARE(records.value(0, Song::ONcd).toLongLong(), 0);
}

void StoreTest::batchesCommitAndSurviveFailures()
{
    ProgramFolder folder;
    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, folder.databasePath()).failed());
    table.setBatchInterval(60'000);
    QVERIFY(!addSong(table, "A", "1").failed());
    QCOMPARE(addSong(table, "a", "1").number, FailureNumber::DuplicateKey);
    QVERIFY(!addSong(table, "B", "2").failed());
    QVERIFY(db.inTransaction());

    // Another connection sees nothing until the batch is committed.
    Database other;
    QVERIFY(!other.open(folder.databasePath()).failed());
    Statement count;
    QVERIFY(!count.prepare(other.handle(), "SELECT count(*) FROM adosong").failed());
    QVERIFY(count.step());
    QCOMPARE(count.column(0).toInt(), 0);
    count.reset();
    QVERIFY(!table.flush().failed());
    QVERIFY(count.step());
    QCOMPARE(count.column(0).toInt(), 2); // the refused duplicate undid nothing else
}

void StoreTest::recordSetMovesAndEvents()
{
    ProgramFolder folder;
    addRows(folder.databasePath(), {"Cora", "alba", "Bert"});
    RecordSet records;
    QSignalSpy moves(&records, &RecordSet::moveComplete);
    QSignalSpy errors(&records, &RecordSet::error);
    records.setCatalogue(folder.databasePath());
    records.setRecordSource(RecordSource::defaultSource());
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.recordCount(), 3);
    QCOMPARE(records.absolutePosition(), 1);
    // Ordered by artist without regard to case.
    QCOMPARE(records.value(0, Song::Artist).toString(), QStringLiteral("alba"));
    QCOMPARE(records.value(2, Song::Artist).toString(), QStringLiteral("Cora"));

    moves.clear();
    QVERIFY(!records.moveLast().failed());
    QCOMPARE(records.absolutePosition(), 3);
    QCOMPARE(moves.last().at(0).value<EventReason>(), EventReason::MoveLast);
    QVERIFY(!records.moveNext().failed());
    QVERIFY(records.isEOF());
    QVERIFY(!records.moveFirst().failed());
    QCOMPARE(moves.last().at(0).value<EventReason>(), EventReason::MoveFirst);
    QCOMPARE(records.movePrevious().number, FailureNumber::NoCurrentRecord);
    QCOMPARE(errors.size(), 0); // the caller reports its own failures
    QVERIFY(!records.moveTo(1).failed());
    QCOMPARE(records.absolutePosition(), 2);
}

void StoreTest::deleteAndUpdate()
{
    ProgramFolder folder;
    addRows(folder.databasePath(), {"A", "B", "C"});
    RecordSet records;
    QSignalSpy changes(&records, &RecordSet::willChangeRecord);
    records.setCatalogue(folder.databasePath());
    QVERIFY(!records.refresh().failed());
    QVERIFY(!records.moveTo(1).failed());
    QVERIFY(!records.deleteCurrent().failed());
    QCOMPARE(changes.last().at(0).value<EventReason>(), EventReason::Delete);
    QCOMPARE(records.recordCount(), 2);
    // The next row takes the deleted one's place, and the next move stays on it.
    QCOMPARE(records.absolutePosition(), 2);
    QVERIFY(!records.moveNext().failed());
    QCOMPARE(records.value(records.currentIndex(), Song::Artist).toString(), QStringLiteral("C"));

    QVERIFY(!records.updateField(1, Song::ONcd, qint64(1)).failed());
    QVERIFY(!records.updateField(1, Song::Title, "A song").failed());
    QCOMPARE(records.updateField(1, Song::Artist, "a").number, FailureNumber::DuplicateKey);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.recordCount(), 2); // gone from the table, not just the result
    QCOMPARE(records.value(1, Song::ONcd).toLongLong(), 1);
    QCOMPARE(records.value(1, Song::Artist).toString(), QStringLiteral("C"));
}

void StoreTest::modelShowsYesNoAndNewRow()
{
    ProgramFolder folder;
    {
        Database db;
        QVERIFY(!db.open(folder.databasePath()).failed());
        QVERIFY(!db.execute("INSERT INTO adosong (Artist,Title,ONcd,MP3cd) VALUES "
                            "('A','1',1,'D1'),('B','2',0,'D1'),('C','3',NULL,'D2')")
                     .failed());
    }
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(model.rowCount(), 4); // three rows and the new row
    QCOMPARE(model.columnCount(), 7);
    const QStringList captions = {"Artist", "Title", "Playtime", "MP3cd", "ONcd", "Category", "FullPath"};
    for (int c = 0; c < 7; ++c)
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), captions[c]);
    QCOMPARE(model.index(0, 4).data().toString(), QStringLiteral("Yes"));
    QCOMPARE(model.index(1, 4).data().toString(), QStringLiteral("NotYet"));
    QCOMPARE(model.index(2, 4).data().toString(), QString());
    QCOMPARE(model.index(2, 3).data().toString(), QStringLiteral("D2"));

    // The display words go back in as yes and no; anything else is refused.
    QVERIFY(model.setData(model.index(1, 4), "Yes"));
    QVERIFY(model.setData(model.index(0, 4), "NotYet"));
    QVERIFY(!model.setData(model.index(0, 4), "maybe"));
    QCOMPARE(records.value(1, Song::ONcd).toLongLong(), 1);
    QCOMPARE(records.value(0, Song::ONcd).toLongLong(), 0);

    // A song typed into the new row is stored when the row is left.
    QVERIFY(model.setData(model.index(3, 0), "Dora"));
    QVERIFY(model.setData(model.index(3, 1), "Rain"));
    QCOMPARE(model.rowCount(), 4);
    QVERIFY(model.commitNewRow());
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.index(3, 0).data().toString(), QStringLiteral("Dora"));
    QCOMPARE(model.index(4, 0).data().toString(), QString());

    // A duplicate typed in is refused and stays in the new row to be mended.
    QSignalSpy errors(&records, &RecordSet::error);
    QVERIFY(model.setData(model.index(4, 0), "dora"));
    QVERIFY(model.setData(model.index(4, 1), "RAIN"));
    QVERIFY(!model.commitNewRow());
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.last().at(0).toInt(), FailureNumber::DuplicateKey);
    QCOMPARE(model.index(4, 0).data().toString(), QStringLiteral("dora"));
    model.discardNewRow();
    QCOMPARE(model.index(4, 0).data().toString(), QString());
}

void StoreTest::modelPassesTester()
{
    ProgramFolder folder;
    QStringList artists;
    for (int i = 0; i < 50; ++i)
        artists << QString("Artist %1").arg(i);
    addRows(folder.databasePath(), artists);
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(!records.refresh().failed());
    QVERIFY(!records.moveTo(10).failed());
    QVERIFY(!records.deleteCurrent().failed());
    QVERIFY(model.setData(model.index(model.newRow(), 0), "New"));
    QVERIFY(model.commitNewRow());
    QVERIFY(!records.refresh().failed());
    QCOMPARE(model.rowCount(), 51);
}

void StoreTest::manyRowsWithoutLoadingThem()
{
    ProgramFolder folder;
    {
        Database db;
        QVERIFY(!db.open(folder.databasePath()).failed());
        QVERIFY(
            !db.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 100000) "
                        "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) "
                        "SELECT printf('Artist %07d', (i*7919) % 100003), 'Title', 0, 'D', 'C', '/' FROM n")
                 .failed());
    }
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.recordCount(), 100000);
    QCOMPARE(model.rowCount(), 100001);
    QVERIFY(!records.moveLast().failed());
    QCOMPARE(records.absolutePosition(), 100000);
    // Order is known without reading rows; the cells come when asked for.
    const QString first = records.value(0, Song::Artist).toString();
    const QString last = records.value(99999, Song::Artist).toString();
    QVERIFY(first < last);
    QCOMPARE(records.value(50000, Song::Artist).toString(),
             QString("Artist %1")
                 .arg(records.value(50000, Song::Artist).toString().mid(7).toInt(), 7, 10, QLatin1Char('0')));
}

// A catalogue made before the sort indexes existed gets them when it is opened, so no
// column head has to sort the whole table.
void StoreTest::olderCataloguesGetSortIndexes()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/old.mdb";
    sqlite3* raw = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8(), &raw) == SQLITE_OK);
    for (const QString& sql : Song::schemaStatements().mid(0, 2))
        QVERIFY(sqlite3_exec(raw, sql.toUtf8(), nullptr, nullptr, nullptr) == SQLITE_OK);
    sqlite3_close(raw);

    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, path).failed());
    for (int column = 0; column < Song::FieldCount; ++column) {
        QString sql;
        QVERIFY(RecordSource::sorted(ColumnSort::orderFor(column)).rowidQuery(&sql));
        Statement plan;
        QVERIFY(!plan.prepare(db.handle(), "EXPLAIN QUERY PLAN " + sql).failed());
        QString steps;
        while (plan.step())
            steps += plan.column(3).toString() + "; ";
        QVERIFY2(!steps.contains("TEMP B-TREE"), qPrintable(steps));
    }
}

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
