#include "testsupport.h"

#include "browse/columnsort.h"
#include "browse/fieldsearch.h"
#include "store/database.h"
#include "store/discrecords.h"
#include "store/recordset.h"
#include "store/rowstream.h"
#include "store/schema.h"
#include "store/songmodel.h"
#include "store/songquery.h"
#include "store/songtable.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <thread>

#include <sqlite3.h>

namespace {

Failure addSong(SongTable& table, const char* artist, const char* title)
{
    table.addNew();
    table.setText(Song::Artist, artist);
    table.setText(Song::Title, title);
    table.setInteger(Song::ONcd, 0);
    return table.update();
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT
private slots:
    void batchesCommitAndSurviveFailures();
    void modelShowsYesNo();
    void modelPassesTester();
    void manyRowsWithoutLoadingThem();
    void olderCataloguesGetWhatTheyLack();
    void sortIndexesAllOrNone();
    void failedBatchIsRolledBack();
    void anotherProgramHoldsTheCatalogue();
    void discsRemembered();
    void searchIgnoresCaseAndAccents_data();
    void searchIgnoresCaseAndAccents();
    void otherProgramsStillUseTheFile();
    void queries_data();
    void queries();
    void wideQueriesKeepTheirOrder_data();
    void wideQueriesKeepTheirOrder();
};

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
    QCOMPARE(folder.count(), 0);
    QVERIFY(!table.flush().failed());
    QCOMPARE(folder.count(), 2); // the refused duplicate undid nothing else
}

void StoreTest::modelShowsYesNo()
{
    ProgramFolder folder;
    folder.run("INSERT INTO adosong (Artist,Title,ONcd,MP3cd) VALUES ('A','1',1,'D1'),('B','2',0,'D1'),"
               "('C','3',NULL,'D2')");
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(model.rowCount(), 4); // three rows and the new row
    QCOMPARE(model.index(2, 4).data().toString(), QString());
    // The display words go back in as yes and no; anything else is refused.
    QVERIFY(model.setData(model.index(1, 4), "Yes"));
    QVERIFY(model.setData(model.index(0, 4), "NotYet"));
    QVERIFY(!model.setData(model.index(0, 4), "maybe"));
    QCOMPARE(records.value(1, Song::ONcd).toLongLong(), 1);
    QCOMPARE(records.value(0, Song::ONcd).toLongLong(), 0);
}

void StoreTest::modelPassesTester()
{
    ProgramFolder folder;
    QStringList artists;
    for (int i = 0; i < 50; ++i)
        artists << QString("Artist %1").arg(i);
    folder.addRows(artists);
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
    folder.run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 100000) "
               "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) "
               "SELECT printf('Artist %07d', (i*7919) % 100003), 'Title', 0, 'D', 'C', '/' FROM n");
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.recordCount(), 100000);
    QCOMPARE(model.rowCount(), 100001);
    QVERIFY(!records.moveLast().failed());
    QCOMPARE(records.absolutePosition(), 100000);
    QVERIFY(records.value(0, Song::Artist).toString() < records.value(50000, Song::Artist).toString());
    QVERIFY(records.value(50000, Song::Artist).toString() < records.value(99999, Song::Artist).toString());
    // Rows are read when they are asked for, not when the set is opened: a change made
    // since shows.
    folder.run(QString("UPDATE adosong SET Title='Changed' WHERE rowid=%1").arg(records.rowidAt(70000)));
    QCOMPARE(records.value(70000, Song::Title).toString(), QStringLiteral("Changed"));
}

// A catalogue made before the file name field and the sort indexes is read as it is when it
// cannot be written, and gets them when it is opened to be written, so no column head has to
// sort the whole table.
void StoreTest::olderCataloguesGetWhatTheyLack()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/old.mdb";
    sqlite3* raw = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8(), &raw) == SQLITE_OK);
    // The table as catalogues were made before songs kept their own file names.
    for (QString sql : Song::schemaStatements().mid(0, 2))
        QVERIFY(sqlite3_exec(raw, sql.remove(", FileName TEXT").toUtf8(), nullptr, nullptr, nullptr) ==
                SQLITE_OK);
    QVERIFY(sqlite3_exec(raw, "INSERT INTO adosong (Artist,Title) VALUES ('Old','Song')", nullptr, nullptr,
                         nullptr) == SQLITE_OK);
    sqlite3_close(raw);

    // Read-only, it is read without the field.
    RecordSet records;
    records.setCatalogue(path, true);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.value(0, Song::Title).toString(), QString("Song"));
    QVERIFY(records.fileName(0).isNull());
    bool streamed = false;
    QVERIFY(!streamRows(path, RecordSource::defaultSource(), [&](const RowText& row) {
                 return streamed = row.fileNameNull, true;
             }).failed());
    QVERIFY(streamed);
    records.close();

    // Writable, it gets the field, and new rows keep their names in it.
    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, path).failed());
    table.addNew();
    table.setText(Song::Artist, "New");
    table.setText(Song::Title, "Song");
    table.setFileNameView("01 Intro.mp3");
    QVERIFY(!table.update().failed());
    Statement names;
    QVERIFY(!names.prepare(db.handle(), "SELECT Artist, FileName FROM adosong ORDER BY rowid").failed());
    QStringList stored;
    while (names.step())
        stored << names.column(0).toString() + "|" + names.column(1).toString();
    QCOMPARE(stored, (QStringList{"Old|", "New|01 Intro.mp3"}));
    QCOMPARE(db.shape().version, Song::schemaVersion); // brought to this version, once
    QVERIFY(db.shape().discsDated);
    for (int column = 0; column < Song::FieldCount; ++column) {
        QStringList statements;
        QVERIFY(RecordSource::sorted(ColumnSort::orderFor(column)).rowidQueries(&statements));
        for (const QString& sql : statements) {
            Statement plan;
            QVERIFY(!plan.prepare(db.handle(), "EXPLAIN QUERY PLAN " + sql).failed());
            QString steps;
            while (plan.step())
                steps += plan.column(3).toString() + "; ";
            QVERIFY2(!steps.contains("TEMP B-TREE"), qPrintable(steps));
        }
    }
}

// When one sort index cannot be made at opening (a table in the way of its name), none is,
// and the connection is left outside any transaction: later writes are not "busy".
void StoreTest::sortIndexesAllOrNone()
{
    ProgramFolder folder;
    Database setup;
    QVERIFY(!setup.open(folder.databasePath()).failed());
    QVERIFY(!Song::dropSortIndexes(setup).failed());
    QVERIFY(!setup.execute("CREATE TABLE adosong_mp3cd (x)").failed());
    setup.close();

    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, folder.databasePath()).failed());
    QVERIFY(!db.inTransaction());
    QVERIFY(!addSong(table, "A", "1").failed());
    QCOMPARE(folder.count("SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='adosong'"),
             1); // the unique key only
    Database other;
    QVERIFY(!other.open(folder.databasePath()).failed());
    QVERIFY(!other.execute("INSERT INTO adosong (Artist,Title) VALUES ('B','2')").failed());
}

// A batch the catalogue cannot commit (another program reading all along) is undone and
// counted as lost; the connection does not stay inside it.
void StoreTest::failedBatchIsRolledBack()
{
    ProgramFolder folder(QStringList{"Reader"});
    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, folder.databasePath()).failed());
    db.setBusyTimeout(100);
    table.setBatchInterval(60'000);
    QVERIFY(!addSong(table, "A", "1").failed());

    Database other;
    QVERIFY(!other.open(folder.databasePath()).failed());
    Statement reading;
    QVERIFY(!reading.prepare(other.handle(), "SELECT * FROM adosong").failed());
    QVERIFY(reading.step()); // holds the file for reading until it is reset
    QVERIFY(isBusy(table.flush()));
    QVERIFY(!db.inTransaction());
    QCOMPARE(table.takeLoss().rows, 1);
    reading.reset();
    QVERIFY(!addSong(table, "B", "2").failed());
    QVERIFY(!table.flush().failed());
}

// Another program holding the catalogue: an edit waits its turn for a short hold; rows that
// cannot be read meanwhile are said once, are not kept empty, and cost one wait, not one
// wait a row.
void StoreTest::anotherProgramHoldsTheCatalogue()
{
    ProgramFolder folder;
    folder.run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 5000) "
               "INSERT INTO adosong (Artist,Title) SELECT printf('Artist %05d', i), 'T' FROM n");
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    SongModel model(&records);
    QVERIFY(!records.refresh().failed());
    QCOMPARE(records.value(0, Song::Artist).toString(), QStringLiteral("Artist 00001"));

    std::atomic<bool> held = false;
    std::thread holder([&] {
        Database other;
        if (other.open(folder.databasePath()) || other.execute("BEGIN EXCLUSIVE"))
            return;
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.execute("COMMIT");
    });
    while (!held)
        std::this_thread::yield();
    QVERIFY(model.setData(model.index(0, Song::TitleColumn), "Waited"));
    holder.join();
    QCOMPARE(records.value(0, Song::Title).toString(), QStringLiteral("Waited"));

    Database other;
    QVERIFY(!other.open(folder.databasePath()).failed());
    QVERIFY(!other.execute("BEGIN EXCLUSIVE").failed());
    int failures = 0;
    connect(&records, &RecordSet::readFailed, this, [&] { ++failures; });
    QElapsedTimer clock;
    clock.start();
    for (int row = 1000; row < 5000; row += 1000)
        QCOMPARE(model.index(row, Song::ArtistColumn).data().toString(), QString());
    QVERIFY2(clock.elapsed() < 2 * Database::defaultBusyTimeoutMs,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(failures, 1);
    QVERIFY(!other.execute("COMMIT").failed());
    QCOMPARE(model.index(3000, Song::ArtistColumn).data().toString(), QStringLiteral("Artist 03001"));
    QVERIFY(!records.isReadFailing());
}

// A disc built again updates its record; a catalogue made before discs were remembered gets
// the table on opening, and one that cannot be written has none to give.
void StoreTest::discsRemembered()
{
    ProgramFolder folder;
    Database db;
    QVERIFY(!db.open(folder.databasePath()).failed());
    QVERIFY(!db.execute("DROP TABLE adodisc").failed()); // as another program may
    QVERIFY(!db.open(folder.databasePath()).failed());
    QList<DiscRecord> discs;
    QVERIFY(!DiscRecords::named(db, "ROCK1", &discs).failed());
    QVERIFY(discs.isEmpty());
    // A newer Trelmo's catalogue is not brought down to this one's layout.
    QVERIFY(!db.execute(QString("PRAGMA user_version=%1").arg(Song::schemaVersion + 1)).failed());
    QVERIFY(!db.open(folder.databasePath()).failed());
    QVERIFY(!Song::upgrade(db).failed());
    QVERIFY(!db.open(folder.databasePath()).failed());
    QVERIFY(!db.shape().discs);
    QVERIFY(!db.execute(QString("PRAGMA user_version=%1").arg(Song::schemaVersion)).failed());
    SongTable table;
    QVERIFY(!openEngine(db, table, folder.databasePath()).failed());
    DiscRecord disc{"ROCK1", "/media/ROCK1/", "/media/ROCK1/", "ROCK1", "1234-ABCD", "vfat", 700};
    QVERIFY(!DiscRecords::remember(db, disc).failed());
    disc.uuid = "5678-EF01";
    QVERIFY(!DiscRecords::remember(db, disc).failed());
    QVERIFY(!DiscRecords::remember(db, {"ROCK1", "/mnt/other/", "/mnt/other/", "", "", "ext4", 0}).failed());
    QVERIFY(!DiscRecords::named(db, "rock1", &discs).failed());
    QCOMPARE(discs.size(), 2);
    QCOMPARE(discs[1].uuid, QStringLiteral("5678-EF01"));
    QCOMPARE(discs[1].size, 700);
}

QTEST_GUILESS_MAIN(StoreTest)
// A search finds a field when the text, both folded, occurs in it: case, accents and
// other marks, compatibility forms and the letters that spell as two do not count; %
// and _ stay wildcards, and every script matches as itself.
void StoreTest::searchIgnoresCaseAndAccents_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("searched");
    QTest::addColumn<bool>("found");
    const struct
    {
        const char* name;
        const char* stored;
        const char* searched;
        bool found;
    } cases[] = {
        {"upper case, accent", "BJÖRK", "björk", true},
        {"accent left out", "Björk", "bjork", true},
        {"other letter", "Bjork", "bjorn", false},
        {"sharp s", "Straße", "STRASSE", true},
        {"sharp s searched", "STRASSE", "straße", true},
        {"Greek capitals", "Αθηνα", "ΑΘΗΝΑ", true},
        {"Greek tonos", "Αθήνα", "αθηνα", true},
        {"Greek final sigma", "ΟΔΟΣ", "οδος", true},
        {"ae", "Encyclopædia", "ENCYCLOPAEDIA", true},
        {"oe", "Œuvre", "oeuvre", true},
        {"o slash", "Søren", "soren", true},
        {"l stroke", "Łódź", "lodz", true},
        {"d stroke", "Đorđe", "dorde", true},
        {"combining accent stored", "Beyonce\u0301", "beyoncé", true},
        {"full-width letters", "ＡＢＣ Band", "abc", true},
        {"ligature fi", "\uFB01re", "fire", true},
        {"Cyrillic", "Чайковский", "ЧАЙКОВСКИЙ", true},
        {"Cyrillic yo", "Ёлка", "елка", true},
        {"CJK", "坂本龍一", "龍", true},
        {"CJK other", "坂本", "龍", false},
        {"Arabic", "فيروز", "فيروز", true},
        {"Hangul syllable is no part of another", "각", "가", false},
        {"underscore is one letter", "Björk", "bj_rk", true},
        {"underscore needs a letter", "Bjrk", "bj_rk", false},
        {"percent is any run", "Kestrel Harbour", "kes%bour", true},
        {"percent keeps the order", "Kestrel Harbour", "bour%kes", false},
        {"full-width percent is a letter", "abc", "a％c", false},
        {"apostrophe is a letter", "Guns N' Roses", "n' r", true},
        // Plain ASCII eight bytes at a time: every letter folded, Z as well as A.
        {"long ASCII text with Z", "zz top band live", "ZZ Top Band", true},
        {"long ASCII stored with Z", "ZZ TOP BAND LIVE", "zz top band", true},
        {"long ASCII, one letter off", "ZZ Top Bend", "zz top band", false},
    };
    for (const auto& c : cases)
        QTest::newRow(c.name) << QString::fromUtf8(c.stored) << QString::fromUtf8(c.searched) << c.found;
}

void StoreTest::searchIgnoresCaseAndAccents()
{
    QFETCH(QString, stored);
    QFETCH(QString, searched);
    QFETCH(bool, found);
    ProgramFolder folder;
    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, folder.databasePath()).failed());
    QVERIFY(!addSong(table, stored.toUtf8().constData(), "Song").failed());
    QVERIFY(!addSong(table, "Someone", "Else").failed());
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    for (const char* field : {"Artist", "Title"}) {
        QVERIFY(!records.requery(RecordSource::search(field, searched)).failed());
        const bool inArtist = QLatin1String(field) == QLatin1String("Artist");
        QCOMPARE(records.recordCount(), inArtist && found ? 1 : 0);
    }
}

// Nothing the program does to the catalogue needs the program to read it: the sqlite3 shell
// searches, adds and checks it after the program has searched and stored in it.
void StoreTest::otherProgramsStillUseTheFile()
{
    ProgramFolder folder(QStringList{"Björk"});
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    QVERIFY(!records.requery(RecordSource::search("Artist", "BJORK")).failed());
    QCOMPARE(records.recordCount(), 1);
    QVERIFY(!records.updateField(0, Song::Playtime, "00:03:45").failed());
    records.close();
    QProcess shell;
    shell.start("sqlite3",
                {folder.databasePath(), "INSERT INTO adosong (Artist, Title) VALUES ('Kestrel', "
                                        "'Harbour'); SELECT count(*) FROM adosong WHERE Artist LIKE "
                                        "'%k%'; PRAGMA integrity_check;"});
    QVERIFY(shell.waitForFinished());
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(shell.readAllStandardOutput(), QByteArray("2\nok\n"));
}

// A query finds exactly its rows, in artist order; one that cannot be read says where. The
// catalogue has accents and other scripts, quotes, blanks, % and _ in its names, play times
// and marks of every kind.
void StoreTest::queries_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found"); // "Artist/Title"; or the failure's text alone
    const QString lights = "Kestrel/Harbour Lights", live = "Kestrel/Harbour Live", bjork = "Björk/Jóga",
                  abba = "ABBA/Waterloo", cover = "Abba Cover/Dancing", kino = "Κίνο/Группа крови",
                  pure = "100% Pure/O'Brien_s \"Song\"", blank = "  Blank  /Spaces";
    const auto row = [](const char* name, const QString& query, const QStringList& found) {
        QTest::newRow(name) << query << found;
    };
    // clang-format off
    row("a bare word in artist, title or category", "kestrel", {lights, live});
    row("all words must match", "harbour lights", {lights});
    row("a phrase", "\"harbour lights\"", {lights});
    row("a field, another left out", "artist:kestrel -title:live", {lights});
    row("accents do not count", "bjork", {bjork});
    row("nor letter case", "artist:BJÖRK title:joga", {bjork});
    row("other scripts", "title:ГРУППА", {kino});
    row("the whole field", "artist=abba", {abba});
    row("or part of it", "abba", {abba, cover});
    row("either term", "disc:POP9 OR disc:DISC3", {cover, kino});
    row("burned to CD", "oncd:yes", {abba, bjork});
    row("not yet burned, or unmarked", "oncd:no -kestrel", {blank, pure, cover, kino});
    row("longer than", "time>5:00", {bjork, live, kino});
    row("shorter than or as long", "time<=2:45", {abba});
    row("between two times", "time:3:00..4:00", {pure, lights});
    row("without a play time", "time:none", {blank, cover});
    row("% is a character", "100%", {pure});
    row("_ is a character", "_s", {pure});
    row("a quote in a word", "o'brien", {pure});
    row("the file's own name", "path:\"Odd Folder/01 Track\"", {pure});
    row("the name a row rebuilds", "path:ABBA-Waterloo.mp3", {abba});
    row("blanks around a name", "artist:blank", {blank});
    row("a word that is no field", "zz:top", {});
    row("a time expected", "time>", {"Query: expected a time after 'time>' at column 6"});
    row("a time expected after another term", "kestrel time>=x", {"Query: expected a time after 'time>=' at column 15"});
    row("a range's end expected", "time:3:00..x", {"Query: expected a time after '..' at column 12"});
    row("OR at the start", "OR kestrel", {"Query: 'OR' needs a term on each side at column 1"});
    row("OR at the end", "kestrel OR", {"Query: 'OR' needs a term on each side at column 9"});
    row("a quote not closed", "artist:\"open", {"Query: the quote opened here is not closed at column 8"});
    row("yes or no", "oncd:maybe", {"Query: expected yes or no after 'oncd:' at column 6"});
    row("a text expected", "title:", {"Query: expected a text after 'title:' at column 7"});
    // clang-format on
}

void StoreTest::queries()
{
    QFETCH(QString, query);
    QFETCH(QStringList, found);
    ProgramFolder folder;
    folder.run(
        "INSERT INTO adosong (Artist, Title, Playtime, ONcd, MP3cd, Category, FullPath, FileName) VALUES "
        "('Björk', 'Jóga', '00:05:03', 1, 'ROCK1', 'Pop', '/media/ROCK1/Pop/', NULL),"
        "('Kestrel', 'Harbour Lights', '00:03:30', 0, 'ROCK2', 'Rock', '/media/ROCK2/Rock/', NULL),"
        "('Kestrel', 'Harbour Live', '00:07:10', 0, 'ROCK2', 'Rock', '/media/ROCK2/Rock/', NULL),"
        "('ABBA', 'Waterloo', '00:02:45', 1, 'ROCK1', 'Pop', '/media/ROCK1/Pop/', NULL),"
        "('Abba Cover', 'Dancing', NULL, 0, 'POP9', 'Covers', '/media/POP9/', NULL),"
        "('Κίνο', 'Группа крови', '01:02:03', 0, 'DISC3', 'Soviet', '/media/DISC3/', NULL),"
        "('100% Pure', 'O''Brien_s \"Song\"', '00:04:00', NULL, 'ROCK1', 'Odd', '/media/ROCK1/Odd Folder/', "
        "'01 Track.mp3'),"
        "('  Blank  ', 'Spaces', '', 0, 'ROCK2', 'Rock', '/media/ROCK2/Rock/', NULL)");
    RecordSource source;
    const Failure failure = FieldSearch::sourceFor("Query", query, &source);
    if (found.size() == 1 && found[0].startsWith("Query:")) {
        QCOMPARE(failure.description, found[0]);
        return;
    }
    QVERIFY2(!failure.failed(), qPrintable(failure.description));
    RecordSet records;
    records.setCatalogue(folder.databasePath(), true);
    QVERIFY(!records.requery(source).failed());
    QStringList rows;
    for (qint64 i = 0; i < records.recordCount(); ++i)
        rows << records.value(i, Song::Artist).toString() + "/" + records.value(i, Song::Title).toString();
    QCOMPARE(rows, found);
}

// A query that finds a large share of a large catalogue is put in order by walking the order's
// index rather than by a sort: the rows and their order are the same either way, letter case
// and all.
void StoreTest::wideQueriesKeepTheirOrder_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("orderBy");
    QTest::newRow("half, by artist") << "cat:wide" << QStringList{"Artist", "Title"};
    QTest::newRow("half, by title") << "cat:wide" << QStringList{"Title", "Artist"};
    QTest::newRow("the other half, by disc") << "-cat:wide" << QStringList{"MP3cd", "Artist"};
    QTest::newRow("nearly all") << "-artist:\"artist 0001\"" << QStringList{"Artist", "Title"};
    QTest::newRow("a few, sorted") << "artist:\"artist 0001\"" << QStringList{"Artist", "Title"};
}

void StoreTest::wideQueriesKeepTheirOrder()
{
    QFETCH(QString, query);
    QFETCH(QStringList, orderBy);
    static ProgramFolder folder;
    static const bool filled = [] {
        folder.run(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 60000) "
            "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category) SELECT "
            "CASE WHEN i % 3 = 0 THEN upper(printf('artist %05d', (i*7919) % 60013)) "
            "ELSE printf('artist %05d', (i*7919) % 60013) END, "
            "CASE WHEN i % 7 = 0 THEN NULL ELSE printf('%s %d', char(65 + i % 26 + (i % 2) * 32), i) END, "
            "i % 2, printf('D%d', i % 13), CASE WHEN i % 2 = 0 THEN 'Wide' ELSE 'Other' END FROM n");
        return true;
    }();
    QVERIFY(filled);
    RecordSource source = RecordSource::query(query);
    source.orderBy = orderBy;
    Database db;
    QVERIFY(!db.open(folder.databasePath(), true).failed());
    std::vector<qint64> found;
    QVERIFY(!selectRowids(db, source, &found).failed());
    QString condition;
    QVariantList parameters;
    QVERIFY(!source.condition(&condition, &parameters).failed());
    Statement sorted;
    QVERIFY(!sorted
                 .prepare(db.handle(),
                          QString("SELECT rowid FROM adosong NOT INDEXED WHERE %1 ORDER BY %2, rowid")
                              .arg(condition, orderBy.join(',')))
                 .failed());
    for (int i = 0; i < int(parameters.size()); ++i)
        sorted.bind(i + 1, parameters[i]);
    std::vector<qint64> expected;
    while (sorted.step())
        expected.push_back(sorted.column(0).toLongLong());
    QVERIFY(!expected.empty());
    QCOMPARE(found.size(), expected.size());
    QVERIFY(found == expected);
}

#include "test_store.moc"
