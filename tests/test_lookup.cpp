// The song lookup and the printed listing on their own, without a window.
#include "testsupport.h"

#include "browse/playreaction.h"
#include "browse/songfinder.h"
#include "browse/songlocator.h"
#include "mp3tags.h"
#include "output/listing.h"
#include "scan/cataloguebuilder.h"
#include "scan/timelimit.h"
#include "store/recordset.h"

#include <QPdfWriter>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

class LookupTest : public QObject
{
    Q_OBJECT
private slots:
    void onlyRegularFilesAreSongs();
    void playing_data();
    void playing();
    void findsTheDisc_data();
    void findsTheDisc();
    void driveOfAMissingDisc();
    void manyRecordsOfOneDisc();
    void stoppedListingIsAbandoned();
    void everyStoredRowFindsItsFile_data();
    void everyStoredRowFindsItsFile();
};

void LookupTest::onlyRegularFilesAreSongs()
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.path() + "/Fifo-Song.mp3");
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    const QString song = dir.path() + "/A-Song.mp3";
    QVERIFY(touchSong(song));
    QCOMPARE(probePath(song), PathKind::RegularFile);
    QCOMPARE(probePath(dir.path()), PathKind::Folder);
    QCOMPARE(probePath(QFile::decodeName(fifo)), PathKind::Other);
    QCOMPARE(probePath(QString("/dev/null")), PathKind::Other);
    QCOMPARE(probePath(dir.path() + "/B-Song.mp3"), PathKind::Missing);
    QCOMPARE(probePath(QString()), PathKind::Missing);
    QCOMPARE(probePath(QFile::encodeName(song) + QByteArray("\0/x", 3)), PathKind::Missing);
    // Nor is one in a folder's listing, read once for many rows.
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) { return probePath(path); };
    SongFinder finder(hooks);
    QCOMPARE(finder.find({"A", "Song", "ROCK1", dir.path() + "/"}).outcome, SongLocator::Outcome::Found);
    QVERIFY(finder.find({"Fifo", "Song", "ROCK1", dir.path() + "/"}).outcome != SongLocator::Outcome::Found);

    // A volume with a question still unanswered (a stalled FUSE mount) answers at once,
    // without a thread or a wait of its own, until that question comes back.
    const QString volume = mountFolderOf(dir.path());
    QVERIFY(!volume.isEmpty());
    QVERIFY(TimeLimit::beginQuestion(volume));
    QVERIFY(TimeLimit::isStalled(song));
    QCOMPARE(probePath(song), PathKind::NoAnswer);
    QString label;
    QVERIFY(!SystemVolumes().readLabel(mounted(volume, "", "", ""), &label));
    TimeLimit::endQuestion(volume);
    QCOMPARE(probePath(song), PathKind::RegularFile);
}

// A row played against a disc whose names answer as `disc` says; the user cancels every
// question. What was opened, what was asked, and how often a song's name was looked up.
void LookupTest::playing_data()
{
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<QString>("disc"); // "file", "capital", "out", "silent", "stalled"
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("songLookups");
    const QString song = "/media/ROCK1/Rock/Abba-Rain.mp3";
    const QString insert = "Insert CD ROCK1 In /media/ROCK1 Drive";
    const QString folder = "/media/ROCK1/Rock/";
    // clang-format off
    QTest::newRow("there") << folder << "Rain" << true << "file" << song << "" << 1;
    QTest::newRow("spelt .MP3 on the disc")
        << folder << "Rain" << true << "capital" << "/media/ROCK1/Rock/Abba-Rain.MP3" << "" << 2;
    QTest::newRow("disc out: every spelling tried") << folder << "Rain" << true << "out" << "" << insert << 4;
    // A drive that does not answer is not asked again for each spelling of the name, nor
    // asked to be put in: it is in, and stalled.
    QTest::newRow("drive does not answer")
        << folder << "Rain" << true << "silent" << "" << "Drive /media does not respond." << 1;
    QTest::newRow("the disc mounted elsewhere, stalled")
        << folder << "Rain" << true << "stalled" << "" << "Drive /run/media/u/ROCK1 does not respond." << 4;
    QTest::newRow("not armed") << folder << "Rain" << false << "file" << "" << "" << 0;
    QTest::newRow("stored as a duplicate") << folder << "Rain ****12" << true << "file" << "" << "" << 0;
    QTest::newRow("no artist") << folder << "-" << true << "file" << "" << "" << 0;
    QTest::newRow("no folder stored") << "" << "Rain" << true << "out" << "" << "" << 0;
    // A NUL stored in the path (a catalogue edited elsewhere) would cut the name short.
    QTest::newRow("NUL in the stored path")
        << QString("/media/ROCK1/secret.desktop") + QChar(0) + "/" << "Rain" << true << "file" << ""
        << "The catalogue names a file that is not a song: '/media/ROCK1/secret.desktop\uFFFD/Abba-Rain.mp3' "
           "(it holds a NUL character)."
        << 0;
    // clang-format on
}

void LookupTest::playing()
{
    QFETCH(QString, fullPath);
    QFETCH(QString, title);
    QFETCH(bool, armed);
    QFETCH(QString, disc);
    QFETCH(QString, opened);
    QFETCH(QString, asked);
    QFETCH(int, songLookups);
    int lookups = 0;
    QString openedPath, question;
    PlayReaction::Hooks hooks;
    hooks.lookup.probe = [&](const QByteArray& path) {
        if (path.toLower().endsWith(".mp3"))
            ++lookups;
        if (disc == "silent")
            return PathKind::NoAnswer;
        if (disc == "file" && path.endsWith(".mp3"))
            return PathKind::RegularFile;
        if (disc == "capital" && path.endsWith(".MP3"))
            return PathKind::RegularFile;
        return path == "/media" ? PathKind::Folder : PathKind::Missing;
    };
    if (disc == "stalled") {
        Volume stalled = mounted("/run/media/u/ROCK1", "ROCK1", "/dev/sr0", "iso9660");
        stalled.ready = false;
        hooks.lookup.volumes = [stalled] { return QList<Volume>{stalled}; };
    }
    hooks.lookup.content = [](const QByteArray&) { return QString(); }; // every file there is a song
    hooks.open = [&](const QByteArray& path) { openedPath = QString::fromUtf8(path); };
    hooks.tell = [&](const QString& text) { question = text; };
    QString notesShown;
    hooks.waitForDisc = [&](const QString& prompt, const QString& notes, const std::function<bool()>&) {
        question = prompt;
        notesShown = notes;
        return false;
    };
    // What the user keeps of the disc goes under the question for it, and under no other.
    hooks.discNotes = [](const PlayRow& row) { return "On shelf 3 · " + row.disc; };
    // "-" stands for a row without an artist.
    const PlayRow row =
        title == "-" ? PlayRow{"", "Rain", "ROCK1", fullPath} : PlayRow{"Abba", title, "ROCK1", fullPath};
    PlayReaction(hooks).play(row, armed);
    QCOMPARE(openedPath, opened);
    QCOMPARE(question, asked);
    QCOMPARE(notesShown, asked.startsWith("Insert CD") ? QString("On shelf 3 · ROCK1") : QString());
    QCOMPARE(lookups, songLookups);
}

// Folders of a temporary shelf stand for mounted volumes ("folder|label|uuid"); the disc
// ROCK1 was remembered ("walked root|volume root|label|uuid", "@" the shelf) or not. Where
// the song AB-CD-Rain is found with the real probe: "found:" its path on the shelf,
// "disc:" the volume that is the disc without the song, or nothing.
void LookupTest::findsTheDisc_data()
{
    QTest::addColumn<QStringList>("volumes");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mounted elsewhere, same UUID")
        << QStringList{"other|X|u2", "new|ROCK1|u1"} << "@/gone/|@/gone/|ROCK1|u1"
        << "@/gone/Rock/"
        << "found:new/Rock/AB-CD-Rain.mp3";
    QTest::newRow("two discs of one label: the one with the song")
        << QStringList{"twin1|ROCK1|", "twin2|ROCK1|"} << "@/gone/|@/gone/|ROCK1|"
        << "@/gone/Rock/"
        << "found:twin2/Rock/AB-CD-Rain.mp3";
    QTest::newRow("two discs of one label, both with the song: the one of the same UUID")
        << QStringList{"new|ROCK1|u9", "twin2|ROCK1|u1"} << "@/gone/|@/gone/|ROCK1|u1"
        << "@/gone/Rock/"
        << "found:twin2/Rock/AB-CD-Rain.mp3";
    QTest::newRow("walked from a folder of its volume")
        << QStringList{"new|ROCK1|u1"} << "@/gone/Rock/|@/gone/|ROCK1|u1"
        << "@/gone/Rock/"
        << "found:new/Rock/AB-CD-Rain.mp3";
    QTest::newRow("the disc is in, the song is not")
        << QStringList{"other|X|", "empty|ROCK1|u1"} << "@/gone/|@/gone/|ROCK1|u1"
        << "@/gone/Rock/"
        << "disc:empty";
    QTest::newRow("never another song") << QStringList{"other|ROCK1|u9"} << "@/gone/|@/gone/|ROCK1|u1"
                                        << "@/gone/Rock/"
                                        << "";
    QTest::newRow("older catalogue: the stored path's last folders")
        << QStringList{"other|X|", "fuzzy|rock1|"} << ""
        << "/media/cdrom/ROCK1/Rock/"
        << "found:fuzzy/ROCK1/Rock/AB-CD-Rain.MP3";
    QTest::newRow("older catalogue, no such song") << QStringList{"other|X|"} << ""
                                                   << "/media/cdrom/Rock/"
                                                   << "";
}

void LookupTest::findsTheDisc()
{
    QFETCH(QStringList, volumes);
    QFETCH(QString, record);
    QFETCH(QString, fullPath);
    QFETCH(QString, expected);
    QTemporaryDir shelf;
    const QString at = shelf.path();
    for (const char* file : {"new/Rock/AB-CD-Rain.mp3", "twin2/Rock/AB-CD-Rain.mp3", "twin1/Rock/x.txt",
                             "other/Rock/AB-Other.mp3", "fuzzy/ROCK1/Rock/AB-CD-Rain.MP3", "empty/x.txt"})
        QVERIFY(touchSong(at + "/" + file));
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) { return probePath(path); };
    hooks.volumes = [&] {
        QList<Volume> list;
        for (const QString& v : volumes) {
            const QStringList parts = v.split('|');
            Volume volume = mounted(at + "/" + parts[0], parts[1], "", "ext4");
            volume.uuid = parts[2];
            list << volume;
        }
        return list;
    };
    hooks.discs = [&](const QString& name) {
        const QStringList parts = QString(record).replace("@", at).split('|');
        return record.isEmpty() || name != "ROCK1"
                   ? QList<DiscRecord>()
                   : QList<DiscRecord>{{"ROCK1", parts[0], parts[1], parts[2], parts[3], "ext4", 0}};
    };
    const SongLocator::Result found =
        SongLocator(hooks).locate({"AB", "CD-Rain", "ROCK1", QString(fullPath).replace("@", at)});
    const QString outcome =
        found.outcome == SongLocator::Outcome::Found             ? "found:" + found.path.mid(at.size() + 1)
        : found.outcome == SongLocator::Outcome::DiscWithoutSong ? "disc:" + found.discRoot.mid(at.size() + 1)
                                                                 : QString();
    QCOMPARE(outcome, expected);
}

// Where the user is told to put a disc that is nowhere: where its build walked it, or the
// folder a fixed mount puts it in (never a folder inside the disc).
void LookupTest::driveOfAMissingDisc()
{
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) {
        return path == "/media" ? PathKind::Folder : PathKind::Missing;
    };
    hooks.mountFolders = [] { return QStringList{"/", "/media/cdrom", "/mnt"}; };
    hooks.discs = [](const QString&) {
        return QList<DiscRecord>{
            {"ROCK1", "/run/media/anna/ROCK1/", "/run/media/anna/ROCK1/", "", "", "", 0}};
    };
    const SongLocator locator(hooks);
    QCOMPARE(locator.driveOf({"A", "B", "JAZZ", "/media/cdrom/Jazz/"}), QStringLiteral("/media/cdrom"));
    QCOMPARE(locator.driveOf({"A", "B", "ROCK1", "/run/media/anna/ROCK1/Rock/"}),
             QStringLiteral("/run/media/anna/ROCK1"));
    QCOMPARE(locator.driveOf({"A", "B", "USB", "/media/USB/Pop/"}), QStringLiteral("/media/USB"));
}

// A listing stopped after its first page is handed back to be dropped, so that a paper
// printer does not print the pages done so far.
void LookupTest::stoppedListingIsAbandoned()
{
    QStringList artists;
    for (int i = 0; i < 300; ++i)
        artists << QString("Artist %1").arg(i);
    ProgramFolder folder(artists);
    RecordSet records;
    records.setCatalogue(folder.databasePath());
    QVERIFY(!records.refresh().failed());
    QPdfWriter pdf(folder.path() + "/listing.pdf");
    int abandoned = 0;
    const Listing::Result result = Listing::print(
        records, pdf, QFont("DejaVu Sans", 10), [](qint64) { return false; }, [&] { ++abandoned; });
    QVERIFY(result.abandoned);
    QCOMPARE(result.pages, 1);
    QCOMPARE(abandoned, 1);
}

// A catalogue edited by hand can hold the same disc's record a hundred thousand times: the
// records are read once for a click, Retries included, and each place is looked at once.
void LookupTest::manyRecordsOfOneDisc()
{
    int reads = 0, probes = 0, asked = 0;
    PlayReaction::Hooks hooks;
    hooks.lookup.discs = [&](const QString&) {
        ++reads;
        return QList<DiscRecord>(100000,
                                 {"ROCK1", "/media/ROCK1/", "/media/ROCK1/", "ROCK1", "u1", "vfat", 0});
    };
    hooks.lookup.volumes = [] { return QList<Volume>{mounted("/media/OTHER", "OTHER", "", "vfat")}; };
    hooks.lookup.probe = [&](const QByteArray&) {
        ++probes;
        return PathKind::Missing;
    };
    QString question;
    hooks.waitForDisc = [&](const QString& prompt, const QString&, const std::function<bool()>& arrived) {
        question = prompt;
        arrived();
        return ++asked < 3;
    };
    PlayReaction(hooks).play({"Abba", "Rain", "ROCK1", "/media/ROCK1/Rock/"}, true);
    QCOMPARE(asked, 3);
    QCOMPARE(question, QStringLiteral("Insert CD ROCK1 In /media/ROCK1 Drive"));
    QCOMPARE(reads, 1);
    QVERIFY2(probes < 100, qPrintable(QString::number(probes)));
}

void LookupTest::everyStoredRowFindsItsFile_data()
{
    QTest::addColumn<bool>("fromTags");
    QTest::newRow("names from file names") << false;
    QTest::newRow("names from tags") << true;
}

// Every row a build stores with an artist and without a duplicate number finds its own file,
// whatever the file is called (no dash, no title, ".MP3", no UTF-8, names from tags), after
// its artist or title was edited, and with its disc mounted at another folder.
void LookupTest::everyStoredRowFindsItsFile()
{
    QFETCH(bool, fromTags);
    ProgramFolder program;
    QTemporaryDir shelf;
    const QByteArray first = QFile::encodeName(shelf.path() + "/ROCK1/");
    const QByteArray song = Mp3Tags::silence();
    const QList<std::pair<QByteArray, QByteArray>> files = {
        {"Misc/01 Intro.mp3", song},
        {"Misc/Kestrel-.mp3", song},
        {"Misc/Loud-Shout.MP3", song},
        {"Misc/Grey Owl - Winter.mp3", song},
        {"Misc/Kestrel-Harbour.mp3", song},
        {"Misc/AB-CD-Rain.mp3", song},
        {"Misc/.mp3", song},
        {"Misc/-Harbour.mp3", song}, // no artist: never looked for
        {"Misc/\x80\xfe-Bad.mp3", song},
        {"Caf\xe9/x-2.mp3", song},
        {"Caf\xe9/\xe9t\xe9.mp3", song},
        {"Dark Side/03 - Time.mp3", Mp3Tags::id3v23Utf16("Pink Floyd", "Time", 4096) + song},
        {"Dark Side/04 Money.mp3", song + Mp3Tags::id3v1("Pink Floyd", "Money")},
        {"Dark Side/05 Us.mp3", song + Mp3Tags::ape("Pink Floyd", "Us and Them")},
    };
    for (const auto& [name, bytes] : files) {
        const QByteArray path = first + name;
        ::mkdir(first.constData(), 0755);
        ::mkdir(path.left(path.lastIndexOf('/')).constData(), 0755);
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        QVERIFY(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
        ::close(fd);
    }
    {
        Database db;
        SongTable table;
        QVERIFY(!openEngine(db, table, program.databasePath()).failed());
        DuplicateNumbers counter;
        CatalogueBuilder::Hooks hooks;
        hooks.reading.tags = fromTags;
        QStringList reports;
        hooks.report = [&](const QString& text) { reports << text; };
        QCOMPARE(CatalogueBuilder(table, counter, hooks).run(QFile::decodeName(first), "ROCK1").stored,
                 files.size());
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join('\n')));
    }
    if (fromTags) {
        QCOMPARE(program.rows("SELECT Artist, Title FROM adosong WHERE Category='Dark Side' ORDER BY Title"),
                 (QStringList{"Pink Floyd|Money", "Pink Floyd|Time", "Pink Floyd|Us and Them"}));
        QCOMPARE(program.rows("SELECT Artist, Title FROM adosong WHERE FileName='Grey Owl - Winter.mp3'"),
                 QStringList{"Grey Owl|Winter"});
    }

    RecordSet records;
    records.setCatalogue(program.databasePath());
    QVERIFY(!records.refresh().failed());
    // Edits in the grid: another artist, and a title that differs only in letter case.
    for (qint64 i = 0; i < records.recordCount(); ++i) {
        const QString artist = records.value(i, Song::Artist).toString();
        const QString title = records.value(i, Song::Title).toString();
        if (artist == "Kestrel" && title == "Harbour")
            QVERIFY(!records.updateField(i, Song::Artist, "Kestrel & Co").failed());
        if (title == "CD-Rain") {
            QVERIFY(!records.updateField(i, Song::Title, "cd-rain").failed());
            QVERIFY(!records.updateField(i, Song::Title, "CD-Rain (live)").failed());
        }
    }
    QCOMPARE(program.count("SELECT count(*) FROM adosong WHERE FileName IN ('Kestrel-Harbour.mp3', "
                           "'AB-CD-Rain.mp3')"),
             2);

    // The disc comes back at another folder.
    const QByteArray again = QFile::encodeName(shelf.path() + "/ROCK1 again/");
    QVERIFY(::rename(first.chopped(1).constData(), again.chopped(1).constData()) == 0);
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) { return probePath(path); };
    hooks.volumes = [&] {
        return QList<Volume>{mounted(QFile::decodeName(again), "ROCK1", "/dev/sdz1", "vfat")};
    };
    hooks.discs = [&](const QString&) {
        const QString root = QFile::decodeName(first);
        return QList<DiscRecord>{{"ROCK1", root, root, "ROCK1", "", "vfat", 0}};
    };
    SongFinder finder(hooks);
    QByteArrayList found, expected;
    for (qint64 i = 0; i < records.recordCount(); ++i) {
        const PlayRow row{records.value(i, Song::Artist).toString(), records.value(i, Song::Title).toString(),
                          "ROCK1", records.value(i, Song::FullPath).toString(), records.fileName(i)};
        if (row.artist.isEmpty())
            continue;
        const SongLocator::Result result = finder.find(row);
        QVERIFY2(result.outcome == SongLocator::Outcome::Found, qPrintable(row.artist + "/" + row.title));
        found << result.file;
    }
    for (const auto& [name, bytes] : files) {
        if (!name.startsWith("Misc/-"))
            expected << again + name;
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(found, expected);
    // Names that are no UTF-8 are beyond QDir; the file system library takes bytes.
    std::error_code ignored;
    std::filesystem::remove_all(again.toStdString(), ignored);
}

QTEST_MAIN(LookupTest)
#include "test_lookup.moc"
