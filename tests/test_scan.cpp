#include "testsupport.h"

#include "audiokinds.h"
#include "mp3tags.h"
#include "scan/audiolength.h"
#include "scan/cataloguebuilder.h"
#include "scan/mountwatch.h"
#include "scan/songfile.h"
#include "scan/timelimit.h"
#include "scan/volumes.h"
#include "store/database.h"
#include "store/playtime.h"
#include "store/songtable.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A catalogue in a temporary program folder and a tree of folders to walk.
struct Shelf
{
    ProgramFolder program;
    QTemporaryDir tree;
    Database db;
    SongTable table;
    DuplicateNumbers counter;
    bool allowDuplicates = false;
    bool namesFromTags = false;
    bool readPlayTimes = false;
    QString tagCodePage;
    QStringList reports;
    int sortings = 0;
    int batchMs = 1000;

    Shelf()
    {
        QVERIFY(!db.open(program.databasePath()).failed());
        QVERIFY(!table.open(db).failed());
    }
    ~Shelf()
    {
        // Names that are no UTF-8 are beyond QDir; the file system library takes bytes.
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(tree.path()).toStdString(), ignored);
    }
    QString root() const { return tree.path(); }
    void file(const QString& relative) { QVERIFY2(touch(root() + '/' + relative), qPrintable(relative)); }
    // Creates a file or folder whose name is given as bytes.
    void rawFile(const QByteArray& relative, bool folder = false)
    {
        const QByteArray path = QFile::encodeName(root()) + '/' + relative;
        QVERIFY(folder ? ::mkdir(path, 0755) == 0 : ::close(::open(path, O_CREAT | O_WRONLY, 0644)) == 0);
    }
    CatalogueBuilder::Result build(const QString& disc = "MYDISC",
                                   std::function<bool(const QString&, qint64)> progress = {},
                                   bool allFormats = false)
    {
        CatalogueBuilder::Hooks hooks;
        hooks.allowDuplicates = [this] { return allowDuplicates; };
        hooks.report = [this](const QString& text) { reports << text; };
        hooks.progress = std::move(progress);
        hooks.sorting = [this] { ++sortings; };
        hooks.reading.tags = namesFromTags;
        hooks.reading.tagCodePage = tagCodePage;
        hooks.reading.lengths = readPlayTimes;
        hooks.reading.allFormats = allFormats;
        table.setBatchInterval(batchMs);
        CatalogueBuilder builder(table, counter, hooks);
        return builder.run(root(), disc);
    }
    // The rows in the order they were stored, their `fields` joined by "|".
    QStringList rows(const QString& fields = "Title") const
    {
        return program.rows("SELECT " + fields + " FROM adosong ORDER BY rowid");
    }
};

// One real file of each format, made once for the whole run by the encoders.
QTemporaryDir* g_formats = nullptr;
QList<AudioKinds::Made> g_made;

} // namespace

class ScanTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyFormat_data();
    void everyFormat();
    void onlySongsOfTheirKind_data();
    void onlySongsOfTheirKind();
    void namesBecomeFields();
    void namesFromTags();
    void walkOrderAndLinks();
    void otherFileSystemsNotEntered();
    void mountsAreSeenAndSlowVolumesWaitedForNoLonger();
    void duplicates();
    void unreadableFolderReportedOnce();
    void oldNamesAndMissingRoot();
    void cancelKeepsStoredRows();
    void reportsComeAfterCommit();
    void lockedCatalogueStopsWithOneReport_data();
    void lockedCatalogueStopsWithOneReport();
    void fullDiskCountsOnlyWhatIsKept_data();
    void fullDiskCountsOnlyWhatIsKept();
    void vanishedSubtreeReportedOnce();
    void labelProbe_data();
    void labelProbe();
    void systemVolumes();
    void mountTableVolumes();
};

// File names become artist and title, the folder the category; odd characters, long
// names and deep paths are stored whole, so every row names its file again exactly.
void ScanTest::namesBecomeFields()
{
    Shelf s;
    const QString longName(60, 'a');
    QString deep = "Deep";
    while (s.root().size() + deep.size() < 200)
        deep += "/folder-with-a-long-name";
    const QList<QStringList> files = {
        // file, then artist|title|category|the file name kept ("NULL": the row rebuilds it)
        {"Kestrel-Harbour.mp3", "Kestrel|Harbour|Various Artists|NULL"},
        {"Rock/Grey Owl - Winter.mp3", "Grey Owl | Winter|Rock|NULL"},
        {"Rock/Winter.mp3", "Unknown|Winter|Rock|Winter.mp3"},
        {"Rock/AB-CD-Rain.mp3", "AB|CD-Rain|Rock|NULL"},
        {"Rock/Kestrel-.mp3", "Kestrel|Unknown|Rock|Kestrel-.mp3"},
        {"Rock/-Harbour.mp3", "|Harbour|Rock|NULL"},
        {"Rock/.mp3", "Unknown|Unknown|Rock|.mp3"},
        {"Rock/Loud-Shout.MP3", "Loud|Shout|Rock|Loud-Shout.MP3"},
        {"Rock/Mixed-Case.Mp3", "Mixed|Case|Rock|Mixed-Case.Mp3"},
        {"Rock/" + longName + "-" + longName + ".mp3", longName + "|" + longName + "|Rock|NULL"},
        {deep + "/Deep-Song.mp3", "Deep|Song|folder-with-a-long-name|NULL"},
        {"Mix & Match/O'Brien-100% \"Live\" $(rm -rf ~).mp3",
         "O'Brien|100% \"Live\" $(rm -rf ~)|Mix & Match|NULL"},
        {"Mix & Match/Björk-Jóga.mp3", "Björk|Jóga|Mix & Match|NULL"},
        {"Mix & Match/Tab\tArtist-Back\\slash; `x`.mp3", "Tab\tArtist|Back\\slash; `x`|Mix & Match|NULL"},
    };
    QStringList expected;
    for (const QStringList& f : files) {
        s.file(f[0]);
        const QString folder = QFileInfo(f[0]).path();
        expected << f[1] + "|" + s.root() + "/" + (folder == "." ? "" : folder + "/") + "| disc 'q' |0";
    }
    s.file("Rock/cover.jpg");
    s.file("Rock/notes.mp3.txt");
    QCOMPARE(s.build(" disc 'q' ").files, files.size());
    QVERIFY(s.reports.isEmpty());
    QStringList rows = s.rows("Artist,Title,Category,FileName,FullPath,MP3cd,ONcd");
    rows.sort();
    expected.sort();
    QCOMPARE(rows, expected);
}

// With Names From Tags, the first of a song's tags that gives both artist and title names it
// (ID3v2, then APE, then ID3v1), its file name otherwise with the blanks around the dash
// trimmed; "Latin-1" text is read in the code page chosen. Off, tags count for nothing.
void ScanTest::namesFromTags()
{
    using namespace Mp3Tags;
    const QByteArray audio = silence();
    const QByteArray kino("\xca\xe8\xed\xee");                               // Кино in Windows-1251
    const QByteArray krovi("\xc3\xf0\xf3\xef\xef\xe0 \xea\xf0\xee\xe2\xe8"); // Группа крови
    const QList<QStringList> expected = {
        // names from tags | names from the file name
        {"Pink Floyd|Time", "Unknown|01 Time"},
        {"Björk|Jóga", "Unknown|02 Jóga"},
        {"Кино|Группа крови", "Unknown|03 Kino"},
        {"Кино|Zvezda", "Unknown|04 Kino"},
        {"Kestrel|Harbour", "Unknown|05 Ape"},
        {"First|One", "Unknown|06 Order"},
        {"Ape|Whole", "Unknown|07 Half"},
        {"V1 Artist|V1 Title", "Unknown|08 Blank"},
        {QString(1024, 'A') + "|Long", "Unknown|09 Long"},
        {"Grey Owl|Winter", "Grey Owl | Winter"},
        {"Kestrel|Unknown", "Kestrel |  "},
    };
    const QList<std::pair<QString, QByteArray>> files = {
        {"01 Time.mp3", id3v23Utf16("Pink Floyd", "Time", 300 * 1024) + audio},
        {"02 Jóga.mp3", id3v24Utf8("Björk", "Jóga") + audio},
        {"03 Kino.mp3", id3v23Latin1(kino, krovi) + audio},
        {"04 Kino.mp3", audio + id3v1(kino, "Zvezda")},
        {"05 Ape.mp3", audio + ape("Kestrel", "Harbour")},
        {"06 Order.mp3",
         id3v23Utf16("First", "One") + audio + ape("Second", "Two") + id3v1("Third", "Three")},
        {"07 Half.mp3", id3v23Latin1("Only Artist", {}) + audio + ape("Ape", "Whole")},
        {"08 Blank.mp3",
         id3v24Utf8("  ", "\x01\x02") + audio + ape("", "No artist") + id3v1("V1 Artist", "V1 Title")},
        {"Grey Owl - Winter.mp3", id3v24Utf8("", "") + audio},
        {"Kestrel -  .mp3", audio},
        // A stuffed tag is cut to a name's length.
        {"09 Long.mp3", id3v24Utf8(QString(1 << 20, QChar('A')), "Long") + audio},
    };
    for (const bool fromTags : {true, false}) {
        Shelf s;
        for (const auto& [name, bytes] : files)
            QVERIFY(touch(s.root() + "/Album/" + name, bytes));
        s.namesFromTags = fromTags;
        s.tagCodePage = "WINDOWS-1251";
        QCOMPARE(s.build().stored, files.size());
        QStringList rows;
        for (const QStringList& names : expected)
            rows << names[fromTags ? 0 : 1] + "|Album";
        QCOMPARE(s.rows("Artist,Title,Category"), rows);
    }
    // Windows-1252 unless another code page is chosen.
    Shelf s;
    QVERIFY(touch(s.root() + "/Old.mp3", audio + id3v1("Caf\xe9", "\x80uro")));
    s.namesFromTags = true;
    s.build();
    QCOMPARE(s.rows("Artist,Title,FileName"), QStringList{"Café|€uro|Old.mp3"});
}

// A folder's files in name order first, then each subfolder with all below it. A link to a
// file stands for the file; links to folders lead nowhere.
void ScanTest::walkOrderAndLinks()
{
    Shelf s;
    for (const char* name :
         {"b-1.mp3", "A-2.mp3", "c-3.mp3", "A/a-4.mp3", "A/z/z-5.mp3", "b/b-6.mp3", "B2/x-7.mp3"})
        s.file(name);
    QVERIFY(QFile::link(s.root() + "/A", s.root() + "/A/back"));
    QVERIFY(QFile::link(s.root(), s.root() + "/b/top"));
    QVERIFY(QFile::link(s.root() + "/b/b-6.mp3", s.root() + "/A/linked-8.mp3"));
    QVERIFY(QFile::link(s.root() + "/nowhere", s.root() + "/A/dangling-9.mp3"));
    // A FIFO or a device named like a song is none.
    QVERIFY(::mkfifo(QFile::encodeName(s.root() + "/A/pipe-10.mp3").constData(), 0600) == 0);
    QVERIFY(QFile::link("/dev/null", s.root() + "/A/device-11.mp3"));
    QCOMPARE(s.build().files, 8);
    QCOMPARE(s.rows(), QStringList({"2", "1", "3", "4", "8", "5", "6", "7"}));
    QVERIFY2(s.reports.isEmpty(), qPrintable(s.reports.join("\n")));
}

// A file system mounted inside the disc (another disc, /proc, a network share) belongs to
// another volume: none of its songs are stored under this disc's name.
void ScanTest::otherFileSystemsNotEntered()
{
    Shelf s;
    s.file("Rock/A-1.mp3");
    const QByteArray inside = QFile::encodeName(s.root() + "/Mounted");
    QVERIFY(::mkdir(inside.constData(), 0755) == 0);
    if (::mount("trelmo-test", inside.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("mounting a file system needs the right to mount (root)");
    s.file("Mounted/B-2.mp3");
    s.file("Mounted/Jazz/C-3.mp3");
    s.build();
    ::umount2(inside.constData(), MNT_DETACH);
    QCOMPARE(s.rows(), QStringList{"1"});
    QVERIFY2(s.reports.isEmpty(), qPrintable(s.reports.join("\n")));
}

// A mount is told at once, without polling; a question a volume does not answer in time
// holds nobody up.
void ScanTest::mountsAreSeenAndSlowVolumesWaitedForNoLonger()
{
    QElapsedTimer clock;
    clock.start();
    const auto slow = TimeLimit::answer<int>(
        [] {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            return 1;
        },
        std::chrono::milliseconds(50));
    QVERIFY(!slow && clock.elapsed() < 1000);

    MountWatch watch;
    QSignalSpy changes(&watch, &MountWatch::changed);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    if (::mount("trelmo-test", folder.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("mounting a file system needs the right to mount (root)");
    clock.restart();
    QTRY_VERIFY_WITH_TIMEOUT(changes.count() > 0, 1000);
    qInfo("a mount was seen after %lld ms", clock.elapsed());
    ::umount2(folder.constData(), MNT_DETACH);
    QTRY_VERIFY_WITH_TIMEOUT(changes.count() > 1, 1000);
}

// A song already there (in any letter case) is skipped, or kept under a numbered title
// when duplicates are allowed; the numbers run on across builds.
void ScanTest::duplicates()
{
    Shelf s;
    s.file("Kestrel-Harbour.mp3");
    s.file("Rock/KESTREL-harbour.mp3");
    CatalogueBuilder::Result result = s.build();
    QCOMPARE(result.stored, 1);
    QCOMPARE(result.duplicates, 1);
    QCOMPARE(s.sortings, 1); // into the empty catalogue, the sort orders were made at the end
    s.allowDuplicates = true;
    QCOMPARE(s.build().stored, 2);
    QCOMPARE(s.sortings, 1);
    QCOMPARE(s.rows(), QStringList({"Harbour", "Harbour ****1", "harbour ****2"}));

    // "Harbour" collides, becomes "Harbour ****3", collides with the song of that name and
    // takes a second number.
    s.file("Kestrel-Harbour ****3.mp3");
    QVERIFY(QDir(s.root() + "/Rock").removeRecursively());
    s.build();
    QCOMPARE(s.rows().mid(3), QStringList({"Harbour ****3", "Harbour ****3 ****4"}));
    QVERIFY(s.reports.isEmpty());
}

void ScanTest::unreadableFolderReportedOnce()
{
    Shelf s;
    for (const char* name : {"A/a-1.mp3", "Locked/l-2.mp3", "Locked/Inner/i-3.mp3", "Z/z-4.mp3"})
        s.file(name);
    const QString locked = s.root() + "/Locked";
    ::chmod(locked.toUtf8(), 0);
    // The superuser reads every folder: the walk runs as an ordinary user instead.
    const bool root = ::geteuid() == 0;
    if (root) {
        ::chmod(s.program.path().toUtf8(), 0777);
        ::chmod(s.program.databasePath().toUtf8(), 0666);
        ::chmod(s.root().toUtf8(), 0755);
        QVERIFY(::setegid(65534) == 0 && ::seteuid(65534) == 0);
    }
    s.build();
    if (root)
        QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0);
    ::chmod(locked.toUtf8(), 0755);
    QCOMPARE(s.reports, QStringList{"This is a bug " + locked + "#13 Permission denied"});
    QCOMPARE(s.rows(), QStringList({"1", "4"}));
}

// Names written on older systems (no UTF-8) are catalogued as they read in Windows-1252,
// with nothing to report; a root that is not there is said once.
void ScanTest::oldNamesAndMissingRoot()
{
    Shelf s;
    s.file("Good/g-1.mp3");
    s.rawFile("Good/\x80\xfe-Bad.mp3");
    s.rawFile("Good/Caf\xe9-Latin1.mp3");
    s.rawFile("\xc9t\xe9", true);
    s.rawFile("\xc9t\xe9/x-2.mp3");
    s.build();
    QStringList rows = s.rows("Artist,Title,Category,FullPath");
    rows.sort();
    QCOMPARE(rows, (QStringList{"Café|Latin1|Good|" + s.root() + "/Good/", "g|1|Good|" + s.root() + "/Good/",
                                "x|2|Été|" + s.root() + "/Été/", "€þ|Bad|Good|" + s.root() + "/Good/"}));
    // The names read as Windows-1252 keep their own bytes.
    QCOMPARE(s.rows("typeof(FileName), hex(FileName)").join(' '),
             QString("blob|436166E92D4C6174696E312E6D7033 null| blob|80FE2D4261642E6D7033 null|"));
    QVERIFY2(s.reports.isEmpty(), qPrintable(s.reports.join('\n')));

    s.reports.clear();
    CatalogueBuilder::Hooks hooks;
    hooks.report = [&](const QString& text) { s.reports << text; };
    CatalogueBuilder builder(s.table, s.counter, hooks);
    QCOMPARE(builder.run(s.root() + "/pulled-out", "X").stored, 0);
    QCOMPARE(s.reports,
             QStringList{"This is a bug " + s.root() + "/pulled-out/#2 No such file or directory"});
}

// Cancel stops after the current file; what was stored stays, and the sort indexes, put
// aside for a build into an empty catalogue, are back.
void ScanTest::cancelKeepsStoredRows()
{
    Shelf s;
    for (int i = 0; i < 30; ++i)
        s.file(QString("F%1/a-%2.mp3").arg(i, 2, 10, QChar('0')).arg(i));
    bool foldersKnown = true;
    const CatalogueBuilder::Result result = s.build("MYDISC", [&](const QString& folder, qint64 stored) {
        foldersKnown = foldersKnown && folder.startsWith(s.root());
        QTest::qSleep(110); // the next file asks again
        return stored < 3;
    });
    QVERIFY(foldersKnown);
    QVERIFY(result.cancelled);
    QCOMPARE(result.stored, 3);
    QCOMPARE(s.rows().size(), 3);
    QCOMPARE(s.program.count("SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='adosong'"),
             6); // the unique key, four sort orders and the discs' folders
}

// What was stored is committed before anyone is asked anything.
void ScanTest::reportsComeAfterCommit()
{
    Shelf s;
    s.file("A/a-1.mp3");
    s.file("A/b-2.mp3");
    s.file("B/c-3.mp3");
    s.file("B/x-Refused.mp3"); // refused by another program's rule: reported
    QVERIFY(!s.db.execute("CREATE TRIGGER refuse BEFORE INSERT ON adosong WHEN NEW.Title='Refused' "
                          "BEGIN SELECT RAISE(ABORT, 'no'); END")
                 .failed());
    CatalogueBuilder::Hooks hooks;
    int seenByOthers = -1;
    hooks.report = [&](const QString&) { seenByOthers = int(s.program.count()); };
    s.table.setBatchInterval(60'000);
    CatalogueBuilder builder(s.table, s.counter, hooks);
    builder.run(s.root(), "D");
    QCOMPARE(seenByOthers, 3);
}

void ScanTest::lockedCatalogueStopsWithOneReport_data()
{
    QTest::addColumn<bool>("busy"); // another program writes to it, rather than it being read-only
    QTest::addColumn<QString>("report");
    QTest::newRow("read-only") << false << "This is a bug %1/a-0#8 ";
    QTest::newRow("another program writing")
        << true
        << "Another program is writing to the catalogue (database is locked), so nothing was stored from "
           "%1/a-0 on. Build the disc again once that program is done.";
}

void ScanTest::lockedCatalogueStopsWithOneReport()
{
    QFETCH(bool, busy);
    QFETCH(QString, report);
    Shelf s;
    for (int i = 0; i < 5; ++i)
        s.file(QString("a-%1.mp3").arg(i));
    Database other;
    QVERIFY(!other.open(s.program.databasePath()).failed());
    if (busy)
        QVERIFY(!other.execute("BEGIN IMMEDIATE").failed());
    else
        QVERIFY(!s.db.execute("PRAGMA query_only=1").failed());
    s.db.setBusyTimeout(300);
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(s.build().stored, 0);
    QCOMPARE(s.reports.size(), 1);
    QVERIFY2(s.reports[0].startsWith(report.arg(s.root())), qPrintable(s.reports[0]));
    QVERIFY(!busy || waited.elapsed() >= 300); // the other program was given its time
}

// The disk fills in the middle of a batch, as a row is added or as the batch is committed:
// what is reported as stored is what the file holds, the report says where storing ended, and
// the file is whole with no journal left.
void ScanTest::fullDiskCountsOnlyWhatIsKept_data()
{
    QTest::addColumn<bool>("onCommit");
    QTest::newRow("as a row is added") << false;
    QTest::newRow("as a batch is committed") << true;
}

void ScanTest::fullDiskCountsOnlyWhatIsKept()
{
    QFETCH(bool, onCommit);
    Shelf s;
    for (int i = 0; i < 20; ++i)
        s.file(QString("First/Early %1-Song.mp3").arg(i));
    QCOMPARE(s.build().stored, 20);
    QVERIFY(QDir(s.root() + "/First").removeRecursively());
    for (int i = 0; i < 3000; ++i)
        s.file(QString("F%1/Artist %2-Title %2.mp3").arg(i / 100, 2, 10, QChar('0')).arg(i));
    const int pages = s.program.count("PRAGMA page_count");
    s.reports.clear();
    CatalogueBuilder::Result result;
    if (onCommit) {
        // Batches a few rows long, each committed from inside the addition of its last row.
        s.batchMs = 1;
        DiskFull full(QFileInfo(s.program.databasePath()).size() + 200 * 1024);
        result = s.build();
    } else {
        QVERIFY(!s.db.execute(QString("PRAGMA max_page_count=%1").arg(pages + 12)).failed());
        result = s.build();
    }
    s.table.close();
    QCOMPARE(qint64(s.rows().size()), 20 + result.stored);
    QVERIFY(result.stored >= 0 && result.stored < 3000);
    QCOMPARE(s.reports.size(), 1);
    QVERIFY2(s.reports[0].startsWith("This is a bug " + s.root() + "/F") &&
                 s.reports[0].endsWith("nothing was stored from this song on."),
             qPrintable(s.reports[0]));
    if (!onCommit)
        QVERIFY2(s.reports[0].startsWith("This is a bug " + s.root() + "/F00/Artist 0-Title 0#13 ") &&
                     s.reports[0].contains("The disk that holds the catalogue is full"),
                 qPrintable(s.reports[0]));
    Statement check;
    QVERIFY(!check.prepare(s.db.handle(), "PRAGMA integrity_check").failed() && check.step());
    QCOMPARE(check.column(0).toString(), QStringLiteral("ok"));
    QVERIFY(!QFileInfo::exists(s.program.databasePath() + "-journal"));
}

// A folder renamed away while the walk is inside it is reported once, not once for each
// of its subfolders; the walk goes on with the rest. Folders the reader had listed before
// the rename keep their songs. A disc taken out ends the walk.
void ScanTest::vanishedSubtreeReportedOnce()
{
    Shelf s;
    for (int i = 0; i < 40; ++i)
        s.file(QString("Big/S%1/a-%1.mp3").arg(i, 2, 10, QChar('0')));
    s.file("Zed/z-99.mp3");
    const QString big = s.root() + "/Big";
    s.build("MYDISC", [&](const QString&, qint64) {
        if (QFileInfo::exists(big))
            QDir().rename(big, big + "-away");
        return true;
    });
    QCOMPARE(s.reports, QStringList{"This is a bug " + big + "#2 No such file or directory"});
    const QStringList titles = s.rows();
    QVERIFY2(titles.size() < 20 && titles.last() == "99", qPrintable(titles.join(',')));

    // Many folders side by side removed at once: one report.
    Shelf siblings;
    for (int i = 0; i < 40; ++i)
        siblings.file(QString("S%1/a-%1.mp3").arg(i, 2, 10, QChar('0')));
    siblings.build("MYDISC", [&](const QString&, qint64) {
        for (int i = 20; i < 40; ++i)
            QDir(siblings.root() + QString("/S%1").arg(i)).removeRecursively();
        return true;
    });
    QCOMPARE(siblings.reports.size(), 1);

    // The disc taken out: said once, and the walk ends.
    Shelf pulled;
    for (int i = 0; i < 40; ++i)
        pulled.file(QString("S%1/a-%1.mp3").arg(i, 2, 10, QChar('0')));
    const QString away = pulled.root() + "-away";
    pulled.build("MYDISC", [&](const QString&, qint64) {
        if (QFileInfo::exists(pulled.root()))
            QDir().rename(pulled.root(), away);
        return true;
    });
    QDir().rename(away, pulled.root());
    QCOMPARE(pulled.reports.size(), 1);
    QVERIFY2(
        pulled.reports[0].endsWith("No such file or directory: the disc is no longer there, the rest of it "
                                   "was not read"),
        qPrintable(pulled.reports[0]));
    QVERIFY(pulled.rows().size() < 20);
}

void ScanTest::labelProbe_data()
{
    QTest::addColumn<QString>("tool");
    QTest::newRow("vfat") << "mkfs.vfat";
    QTest::newRow("iso9660") << "genisoimage";
}

void ScanTest::labelProbe()
{
    QFETCH(QString, tool);
    const QString program = QStandardPaths::findExecutable(tool, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
    if (program.isEmpty())
        QSKIP("the image tool is not installed");
    QTemporaryDir dir;
    const QString image = dir.path() + "/disc.img";
    QDir().mkpath(dir.path() + "/content");
    QProcess make;
    make.start(program, tool == "mkfs.vfat"
                            ? QStringList{"-C", "-n", "ROCK1", image, "1440"}
                            : QStringList{"-quiet", "-V", "ROCK1", "-o", image, dir.path() + "/content"});
    QVERIFY(make.waitForFinished(30000));
    QCOMPARE(make.exitCode(), 0);
    QCOMPARE(probeIdentity(image).label, QStringLiteral("ROCK1"));
    QVERIFY(!probeIdentity(image).uuid.isEmpty());
    QCOMPARE(probeIdentity(dir.path() + "/missing.img").label, QString());
    QCOMPARE(probeIdentity(dir.path() + "/content").label, QString());
}

void ScanTest::systemVolumes()
{
    SystemVolumes volumes;
    const Volume here = volumes.volumeOf(QDir::currentPath());
    QString label;
    QVERIFY(volumes.readLabel(here, &label));
    QVERIFY(!volumes.readLabel(mounted("/no/such/volume", "", "", ""), &label));
}

// Every file system of the mount table that can hold songs is offered, FUSE mounts (an
// ISO image, a network share) included; a folder that is no longer mounted is no disc.
void ScanTest::mountTableVolumes()
{
    QTemporaryDir dir;
    const QString iso = dir.path() + "/iso", share = dir.path() + "/with space";
    QVERIFY(QDir().mkpath(iso) && QDir().mkpath(share));
    const QString table = dir.path() + "/mountinfo";
    auto writeTable = [&](bool withIso) {
        QVERIFY(
            touch(table, ("21 1 8:1 / / rw - ext4 /dev/sda1 rw\n22 21 0:21 / /proc rw - proc proc rw\n"
                          "40 21 0:40 / /run/media/tester/ROCK1 rw - fuse.fuseiso fuseiso rw\n41 21 0:41 / " +
                          QString(share).replace(" ", "\\040") + " rw - fuse.sshfs nas:/music rw\n" +
                          (withIso ? "42 21 0:42 / " + iso + " ro - fuse.fuseiso fuseiso ro\n" : QString()))
                             .toUtf8()));
    };
    writeTable(true);
    SystemVolumes volumes(table);
    QMap<QString, Volume> offered;
    for (const Volume& v : volumes.volumes())
        offered.insert(v.root, v);
    QVERIFY(offered.contains("/") && !offered.contains("/proc"));
    QCOMPARE(offered.value(iso).fileSystem, QStringLiteral("fuse.fuseiso"));
    QCOMPARE(offered.value(share).device, QStringLiteral("nas:/music"));
    // Where nothing else knows the label, a desktop mounter's folder name is the proposal.
    QCOMPARE(offered.value("/run/media/tester/ROCK1").label, QStringLiteral("ROCK1"));
    QCOMPARE(labelFromMountFolder("/mnt/cdrom"), QString());

    QString label;
    QVERIFY(volumes.readLabel(offered.value(iso), &label));
    writeTable(false); // ejected: the empty folder stays
    QVERIFY(!volumes.readLabel(offered.value(iso), &label));
}

void ScanTest::initTestCase()
{
    g_formats = new QTemporaryDir;
    QString error;
    QVERIFY2(AudioKinds::make(g_formats->path(), 1, &g_made, &error, 3.0), qPrintable(error));
}

// Every format through the build, with All Audio Files off and on, names from file names and
// from each format's own tags, and play times from each format's headers.
void ScanTest::everyFormat_data()
{
    QTest::addColumn<bool>("allFormats");
    QTest::addColumn<bool>("tags");
    QTest::newRow("MP3s only, as ever") << false << false;
    QTest::newRow("every format, names from file names") << true << false;
    QTest::newRow("every format, names from tags") << true << true;
}

void ScanTest::everyFormat()
{
    QFETCH(bool, allFormats);
    QFETCH(bool, tags);
    Shelf s;
    for (const AudioKinds::Made& made : std::as_const(g_made)) {
        // One name in capitals: endings count in any letter case.
        const QString name = QFileInfo(made.path).fileName();
        QVERIFY(QDir().mkpath(s.root() + "/" + made.ending));
        QVERIFY(QFile::copy(made.path, s.root() + "/" + made.ending + "/" +
                                           (made.ending == "flac" ? name.chopped(4) + "FLAC" : name)));
    }
    s.namesFromTags = tags;
    s.readPlayTimes = true;
    const CatalogueBuilder::Result result = s.build("MYDISC", {}, allFormats);
    QCOMPARE(result.stored, allFormats ? g_made.size() : 1);
    const QStringList rows =
        s.rows("Category || '|' || Artist || '|' || Title || '|' || Playtime || '|' || ifnull(FileName, '')");
    for (const AudioKinds::Made& made : std::as_const(g_made)) {
        const QStringList found = rows.filter(QRegularExpression("^" + made.ending + "\\|"));
        if (!allFormats && made.ending != "mp3") {
            QVERIFY(found.isEmpty());
            continue;
        }
        QCOMPARE(found.size(), 1);
        const QStringList row = found[0].split('|');
        QCOMPARE(row[1] + "|" + row[2],
                 tags ? made.tagArtist + "|" + made.tagTitle : made.nameArtist + "|" + made.nameTitle);
        const std::optional<qint64> seconds = PlayTime::seconds(row[3]);
        QVERIFY2(seconds && std::abs(double(*seconds) - made.seconds) <= 1, qPrintable(found[0]));
        QVERIFY2(made.ending == "mp3" || !row[4].isEmpty(), qPrintable(found[0])); // its own name is kept
    }
}

// The first bytes of a file say what it is, whatever its name says: the real file of each
// format passes; the same bytes under another format's name, a desktop entry under its name,
// and the file cut short before its first bytes do not.
void ScanTest::onlySongsOfTheirKind_data()
{
    QTest::addColumn<QString>("ending");
    for (const QString& ending : AudioKinds::endings())
        QTest::newRow(qPrintable(ending)) << ending;
}

void ScanTest::onlySongsOfTheirKind()
{
    QFETCH(QString, ending);
    QString real;
    for (const AudioKinds::Made& made : std::as_const(g_made))
        real = made.ending == ending ? made.path : real;
    QTemporaryDir dir;
    const QByteArray bytes = contents(real);
    const QString other = ending == "wav" ? "flac" : "wav";
    const QByteArray desktop = "[Desktop Entry]\nType=Application\nExec=false\n";
    QVERIFY(touch(dir.filePath("disguised." + other), bytes) &&
            touch(dir.filePath("entry." + ending), desktop) &&
            touch(dir.filePath("cut." + ending), bytes.left(3)) &&
            touch(dir.filePath("damaged." + ending), bytes.left(200)));
    QCOMPARE(SongFile::contentProblem(QFile::encodeName(real)), QString());
    for (const QString& name : {"disguised." + other, "entry." + ending, "cut." + ending})
        QVERIFY2(SongFile::contentProblem(QFile::encodeName(dir.filePath(name)))
                     .startsWith("its first bytes are not"),
                 qPrintable(name));
    // A damaged file of its kind is a song all the same, whose length cannot be told (or not
    // much of it: a WAV says how long it is in its header).
    QCOMPARE(SongFile::contentProblem(QFile::encodeName(dir.filePath("damaged." + ending))), QString());
    const std::optional<double> seconds =
        AudioLength::seconds(QFile::encodeName(dir.filePath("damaged." + ending)));
    QVERIFY(!seconds || *seconds < 60);
}

QTEST_GUILESS_MAIN(ScanTest)
#include "test_scan.moc"
