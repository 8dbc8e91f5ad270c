// The discs of a catalogue: listed, updated from the drive, renamed and removed, on a real
// catalogue file and real folders.
#include "testsupport.h"

#include "scan/cataloguebuilder.h"
#include "scan/discupdate.h"
#include "store/disccomparison.h"
#include "store/discs.h"
#include "store/songtable.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A disc (a folder of the test's own) catalogued as a build in the window does: its songs
// and its record.
struct Shelf
{
    ProgramFolder program;
    QTemporaryDir drive;
    Volume volume;

    Shelf()
    {
        volume = mounted(drive.path(), "ROCK1", "/dev/sdz1", "vfat"), volume.uuid = "1111-AAAA";
        // Open to others, so that it can be walked as a user.
        QFile::setPermissions(drive.path(), QFile::permissions(drive.path()) | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther);
    }
    QString root() const { return drive.path() + "/"; }
    void file(const QString& relative) { QVERIFY2(touchSong(root() + relative), qPrintable(relative)); }
    // Catalogues the folder `under` of the drive as the disc `name`.
    void build(const QString& name = "ROCK1", const QString& under = {})
    {
        Database db;
        SongTable table;
        QVERIFY(!openEngine(db, table, program.databasePath()).failed());
        DuplicateNumbers counter;
        table.setBatchInterval(1000);
        CatalogueBuilder(table, counter, {}).run(root() + under, name);
        table.close();
        QVERIFY(!DiscRecords::remember(
                     db, {name, root() + under, root() + under, volume.label, volume.uuid, "vfat", 0})
                     .failed());
    }
    QList<Disc> discs()
    {
        Database db;
        QList<Disc> list;
        if (db.open(program.databasePath()).failed() || Discs::list(db, &list).failed())
            return {};
        return list;
    }
    // The plan of updating `disc` from the drive, walked as a user; applied when `apply`.
    DiscUpdate::Plan update(const Disc& disc, bool apply, DiscUpdate::Result* result = nullptr,
                            const DiscUpdate::Options& options = {})
    {
        Database db;
        DiscUpdate::Plan plan;
        if (db.open(program.databasePath()).failed())
            return plan;
        {
            AsUser user;
            if (DiscUpdate::plan(db, disc, disc.root().isEmpty() ? root() : disc.root(), volume, options,
                                 &plan)
                    .failed())
                return plan;
        }
        DiscUpdate::Result applied;
        DuplicateNumbers counter;
        if (apply)
            DiscUpdate::apply(db, disc, plan, disc.root().isEmpty() ? root() : disc.root(), volume, options,
                              counter, result ? result : &applied);
        return plan;
    }
    QStringList songs() const
    {
        return program.rows("SELECT Artist, Title, Playtime, ONcd, MP3cd, Category, substr(FullPath, " +
                            QString::number(root().size() + 1) + ") FROM adosong ORDER BY Artist, Title");
    }
};

QStringList places(const QList<DiscUpdate::Listed>& songs)
{
    QStringList list;
    for (const DiscUpdate::Listed& song : songs)
        list << song.place;
    list.sort();
    return list;
}

} // namespace

class DiscsTest : public QObject
{
    Q_OBJECT
private slots:
    void updateKeepsWhatTheUserMade();
    void warningsBeforeApply_data();
    void warningsBeforeApply();
    void killedApplyLeavesBeforeOrAfter();
    void discWithoutRecordFindsItsFolder();
    void listRenameRemove();
    void unreadFoldersKeepTheirSongs_data();
    void unreadFoldersKeepTheirSongs();
    void nestedDiscsAndSongsTwiceOnADisc();
    void renameTakesOnlyNames_data();
    void renameTakesOnlyNames();
    void notesStayWithTheDisc();
    void notesAsWritten_data();
    void notesAsWritten();
    void comparisonMatchesAsDuplicates();
    void olderRecordsGetRoomForNotes();
};

// New songs are added, gone ones removed, moved ones moved with their marks; every other row
// stays as it is. Cancel writes nothing.
void DiscsTest::updateKeepsWhatTheUserMade()
{
    Shelf s;
    for (const char* name : {"Rock/Kestrel-Harbour.mp3", "Rock/01 Intro.mp3", "Rock/Grey Owl-Winter.MP3",
                             "Pop/Lenna Vey-Slow River.mp3", "Pop/Gone-Away.mp3"})
        s.file(name);
    s.build();
    // Marks of the user's: a play time, ONcd, a category typed over.
    s.program.run("UPDATE adosong SET ONcd=1, Playtime='00:03:00' WHERE Artist IN ('Kestrel', 'Lenna Vey')");
    s.program.run("UPDATE adosong SET Category='Favourites' WHERE Artist='Grey Owl'");
    QVERIFY(QFile::remove(s.root() + "Pop/Gone-Away.mp3"));
    QVERIFY(QDir().mkpath(s.root() + "Best"));
    QVERIFY(
        QFile::rename(s.root() + "Pop/Lenna Vey-Slow River.mp3", s.root() + "Best/Lenna Vey-Slow River.mp3"));
    s.file("Pop/New-Song.mp3");
    s.file("Pop/02 Outro.mp3");
    const QStringList before = s.songs();

    const QList<Disc> discs = s.discs();
    QCOMPARE(discs.size(), 1);
    QCOMPARE(discs[0].songs, 5);
    DiscUpdate::Plan plan = s.update(discs[0], false);
    QCOMPARE(plan.summary(), QString("2 new, 1 gone, 1 moved, 3 unchanged"));
    QCOMPARE(places(plan.added), (QStringList{"Pop/02 Outro.mp3", "Pop/New-Song.mp3"}));
    QCOMPARE(places(plan.gone), QStringList{"Pop/Gone-Away.mp3"});
    QCOMPARE(places(plan.moved), QStringList{"Pop/Lenna Vey-Slow River.mp3 → Best/Lenna Vey-Slow River.mp3"});
    QVERIFY(plan.warnings.isEmpty());
    QVERIFY(plan.details().contains("Gone:\n  Gone - Away  (Pop/Gone-Away.mp3)"));
    QCOMPARE(s.songs(), before); // nothing is written before Apply

    DiscUpdate::Result result;
    s.update(discs[0], true, &result);
    QCOMPARE(result.summary(), QString("2 added, 1 removed, 1 moved"));
    QCOMPARE(
        s.songs(),
        (QStringList{"Grey Owl|Winter|NULL|0|ROCK1|Favourites|Rock/",
                     "Kestrel|Harbour|00:03:00|1|ROCK1|Rock|Rock/",
                     "Lenna Vey|Slow River|00:03:00|1|ROCK1|Best|Best/", "New|Song|NULL|0|ROCK1|Pop|Pop/",
                     "Unknown|01 Intro|NULL|0|ROCK1|Rock|Rock/", "Unknown|02 Outro|NULL|0|ROCK1|Pop|Pop/"}));
    // Up to date now; the record says when.
    QVERIFY(!s.update(s.discs()[0], false).changes());
    QVERIFY(!s.program.rows("SELECT Built FROM adodisc").value(0).isEmpty());
}

void DiscsTest::warningsBeforeApply_data()
{
    QTest::addColumn<QString>("change"); // what happened to the drive
    QTest::addColumn<QString>("warning");
    QTest::newRow("the disc itself") << ""
                                     << "";
    QTest::newRow("another volume") << "uuid"
                                    << "its UUID is 2222-BBBB, the disc's was 1111-AAAA";
    QTest::newRow("empty") << "empty"
                           << "holds no songs or cannot be read. Is the disc in the drive?";
    QTest::newRow("unreadable") << "unreadable"
                                << "holds no songs or cannot be read. Is the disc in the drive?";
    QTest::newRow("most songs gone") << "most gone"
                                     << "More than half of the disc's songs (3 of 4) would be removed.";
}

// Signs of the wrong disc in the drive are said before anything is written.
void DiscsTest::warningsBeforeApply()
{
    QFETCH(QString, change);
    QFETCH(QString, warning);
    Shelf s;
    for (const char* name : {"A-1.mp3", "A-2.mp3", "B/A-3.mp3", "B/A-4.mp3"})
        s.file(name);
    s.build();
    if (change == "uuid")
        s.volume.uuid = "2222-BBBB";
    if (change == "empty" || change == "most gone") {
        for (const char* name : {"A-1.mp3", "A-2.mp3", "B/A-3.mp3", "B/A-4.mp3"})
            if (change == "empty" || QString(name) != "A-1.mp3")
                QVERIFY(QFile::remove(s.root() + name));
    }
    if (change == "unreadable")
        QVERIFY(QFile::setPermissions(s.root(), QFileDevice::Permissions()));
    const DiscUpdate::Plan plan = s.update(s.discs().value(0), false);
    QFile::setPermissions(s.root(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (warning.isEmpty())
        QCOMPARE(plan.warnings, QStringList());
    else
        QVERIFY2(plan.warnings.join('\n').contains(warning), qPrintable(plan.warnings.join('\n')));
}

// A process killed while it applies an update leaves the catalogue as it was or as the update
// makes it, never between.
void DiscsTest::killedApplyLeavesBeforeOrAfter()
{
    Shelf s;
    for (int i = 0; i < 1500; ++i)
        s.file(QString("Old/Artist %1-Song.mp3").arg(i));
    s.build();
    QVERIFY(QDir(s.root() + "Old").removeRecursively());
    for (int i = 0; i < 1500; ++i)
        s.file(QString("New/Other %1-Song.mp3").arg(i));
    const Disc disc = s.discs().value(0);
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    DiscUpdate::Plan plan;
    QVERIFY(!DiscUpdate::plan(db, disc, s.root(), s.volume, {}, &plan).failed());
    db.close();
    QCOMPARE(plan.summary(), QString("1500 new, 1500 gone, 0 moved, 0 unchanged"));
    QSet<qint64> states;
    for (const int afterMs : {2, 30, -1}) {
        s.program.run("DELETE FROM adosong WHERE Artist LIKE 'Other%'");
        s.program.run("DELETE FROM adosong WHERE Artist LIKE 'Artist%'");
        s.build();
        const pid_t child = ::fork();
        if (child == 0) {
            Database own;
            DiscUpdate::Result result;
            DuplicateNumbers counter;
            const bool ok =
                !own.open(s.program.databasePath()).failed() &&
                !DiscUpdate::apply(own, disc, plan, s.root(), s.volume, {}, counter, &result).failed();
            ::_exit(ok ? 0 : 1);
        }
        if (afterMs >= 0) {
            QTest::qSleep(afterMs);
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        QCOMPARE(s.program.rows("PRAGMA integrity_check"), QStringList{"ok"});
        const qint64 old = s.program.count("SELECT count(*) FROM adosong WHERE Artist LIKE 'Artist%'");
        const qint64 added = s.program.count("SELECT count(*) FROM adosong WHERE Artist LIKE 'Other%'");
        QVERIFY2((old == 1500 && added == 0) || (old == 0 && added == 1500),
                 qPrintable(QString("%1 old, %2 new").arg(old).arg(added)));
        states << added;
    }
    QVERIFY(states.contains(1500)); // the last had time to finish
}

// A disc catalogued before discs were remembered, updated from where it is now: its songs are
// matched under the folder they were catalogued from, and the disc is remembered from then on.
void DiscsTest::discWithoutRecordFindsItsFolder()
{
    Shelf s;
    s.file("Music/Rock/A-1.mp3");
    s.file("Music/Rock/A-2.mp3");
    s.file("Music/Pop/B-1.mp3");
    s.build();
    s.program.run("DELETE FROM adodisc");
    const Disc disc = s.discs().value(0);
    QVERIFY(!disc.recorded);
    QCOMPARE(disc.songs, 3);
    QTemporaryDir now;
    QVERIFY(QDir().rename(s.root() + "Music", now.path() + "/Music"));
    s.file("Other.txt"); // the old folder is there, but holds no songs
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    DiscUpdate::Plan plan;
    const Volume volume = mounted(now.path(), "", "", "ext4");
    QVERIFY(!DiscUpdate::plan(db, disc, now.path() + "/", volume, {}, &plan).failed());
    QCOMPARE(plan.summary(), QString("0 new, 0 gone, 0 moved, 3 unchanged"));
    s.file("Music/Pop/B-2.mp3");
    QVERIFY(touchSong(now.path() + "/Music/Pop/B-2.mp3"));
    QVERIFY(!DiscUpdate::plan(db, disc, now.path() + "/", volume, {}, &plan).failed());
    QCOMPARE(places(plan.added), QStringList{"Music/Pop/B-2.mp3"});
    DiscUpdate::Result result;
    DuplicateNumbers counter;
    QVERIFY(!DiscUpdate::apply(db, disc, plan, now.path() + "/", volume, {}, counter, &result).failed());
    QCOMPARE(s.program.rows("SELECT FullPath FROM adosong WHERE Artist='B' ORDER BY Title"),
             (QStringList{s.root() + "Music/Pop/", s.root() + "Music/Pop/"}));
    QCOMPARE(s.program.rows("SELECT MP3cd, Root, VolumeRoot FROM adodisc"),
             QStringList{"ROCK1|" + s.root() + "|" + s.root()});
    QCOMPARE(s.discs().value(0).songs, 4);
}

// The list counts each disc's songs by name and folder; Rename refuses a name in use and
// changes songs and record together; Remove and Clear Database take the records too.
void DiscsTest::listRenameRemove()
{
    Shelf s;
    s.file("Rock/A-1.mp3");
    s.file("Rock/A-2.mp3");
    s.build("NoLabel");
    QTemporaryDir other;
    QVERIFY(touchSong(other.path() + "/B-1.mp3"));
    {
        // A second unlabelled disc, and songs of a name no record claims.
        Database db;
        SongTable table;
        QVERIFY(!openEngine(db, table, s.program.databasePath()).failed());
        DuplicateNumbers counter;
        CatalogueBuilder(table, counter, {}).run(other.path(), "NoLabel");
        table.close();
        QVERIFY(!DiscRecords::remember(db, {"NoLabel", other.path() + "/", other.path() + "/", "", "", "", 0})
                     .failed());
    }
    s.program.addRows({"Old1", "Old2"}); // ROCK1 at /media/cdrom/Rock/, without a record
    s.program.run("UPDATE adosong SET Playtime='00:01:30' WHERE Artist IN ('A', 'Old1')");
    QList<Disc> discs = s.discs();
    QCOMPARE(discs.size(), 3);
    QCOMPARE((QList<qint64>{discs[0].songs, discs[1].songs, discs[2].songs}), (QList<qint64>{2, 1, 2}));
    QVERIFY(discs[0].recorded && discs[1].recorded && !discs[2].recorded);
    {
        Database db;
        QVERIFY(!db.open(s.program.databasePath()).failed());
        QVERIFY(!Discs::addPlayTimes(db, &discs).failed());
        QCOMPARE(discs[0].seconds, 180);
        QCOMPARE(discs[0].withoutTime, 0);
        QCOMPARE(discs[2].withoutTime, 1);

        // A name another disc has is refused, whatever its letter case; nothing changes.
        const Failure used = Discs::rename(db, discs[0], "rock1");
        QVERIFY(used.failed());
        QVERIFY(used.description.contains("Another disc is already called"));
        QVERIFY(Discs::rename(db, discs[0], "NOLABEL").failed());
        qint64 songs = 0;
        QVERIFY(!Discs::rename(db, discs[0], "ROCK2", &songs).failed());
        QCOMPARE(songs, 2);
        QVERIFY(!Discs::remove(db, discs[2], &songs).failed());
        QCOMPARE(songs, 2);
    }
    QCOMPARE(s.program.rows("SELECT MP3cd, count(*) FROM adosong GROUP BY MP3cd ORDER BY MP3cd"),
             (QStringList{"NoLabel|1", "ROCK2|2"}));
    QCOMPARE(s.program.rows("SELECT MP3cd FROM adodisc ORDER BY MP3cd"), (QStringList{"NoLabel", "ROCK2"}));
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    QVERIFY(!clearSongs(db).failed());
    QCOMPARE(s.program.count("SELECT count(*) FROM adodisc"), 0);
}

// A folder of the disc that cannot be read (closed to the user, an I/O error, the disc taken
// out) is no folder without songs: its rows are kept, counted apart and named before Apply.
void DiscsTest::unreadFoldersKeepTheirSongs_data()
{
    QTest::addColumn<QString>("closed"); // the folder closed to the user
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("warning");
    QTest::newRow("a folder") << "Disc 02"
                              << "0 new, 1 gone, 0 moved, 1 unchanged, 2 kept, not read"
                              << "These folders could not be read; the songs in them are kept as they are:\n"
                                 "  Disc 02: Permission denied";
    QTest::newRow("the whole disc") << ""
                                    << "0 new, 0 gone, 0 moved, 0 unchanged, 4 kept, not read"
                                    << "holds no songs or cannot be read. Is the disc in the drive?";
}

void DiscsTest::unreadFoldersKeepTheirSongs()
{
    QFETCH(QString, closed);
    QFETCH(QString, summary);
    QFETCH(QString, warning);
    Shelf s;
    for (const char* name : {"Disc 01/A-1.mp3", "Disc 01/A-2.mp3", "Disc 02/B-1.mp3", "Disc 02/B-2.mp3"})
        s.file(name);
    s.build();
    QVERIFY(QFile::remove(s.root() + "Disc 01/A-2.mp3"));
    const QString folder = s.root() + closed;
    const QFileDevice::Permissions open = QFile::permissions(folder);
    QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions()));
    const DiscUpdate::Plan plan = s.update(s.discs().value(0), true);
    QVERIFY(QFile::setPermissions(folder, open));
    QCOMPARE(plan.summary(), summary);
    QVERIFY2(plan.warnings.join('\n').contains(warning), qPrintable(plan.warnings.join('\n')));
    QCOMPARE(s.program.count(), closed.isEmpty() ? 4 : 3); // only what was read to be gone went
}

// A disc catalogued inside another of the same name keeps its songs to itself, and an update
// never adds a song the disc holds already under a numbered title, duplicates allowed or not.
void DiscsTest::nestedDiscsAndSongsTwiceOnADisc()
{
    Shelf s;
    s.file("inner/A-1.mp3");
    s.file("inner/A-2.mp3");
    s.build("NEST", "inner/");
    s.file("B-1.mp3");
    s.file("Rock/C-1.mp3");
    s.file("Pop/C-1.mp3"); // the same song twice: the build keeps one
    s.build("NEST");
    QCOMPARE(s.program.count(), 4);
    DiscUpdate::Options duplicates;
    duplicates.allowDuplicates = [] { return true; };
    for (int twice = 0; twice < 2; ++twice) {
        for (const Disc& disc : s.discs()) {
            const DiscUpdate::Plan plan = s.update(disc, true, nullptr, duplicates);
            QCOMPARE(plan.summary(), QString("0 new, 0 gone, 0 moved, %1 unchanged").arg(disc.songs));
        }
    }
    QCOMPARE(s.program.count(), 4);
}

// A disc's new name is trimmed, one line without control characters, and not too long.
void DiscsTest::renameTakesOnlyNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept"); // empty: refused, and `why` says so
    QTest::addColumn<QString>("why");
    QTest::newRow("blanks at either end") << "  Jazz 2\t"
                                          << "Jazz 2"
                                          << "";
    QTest::newRow("another disc's name with blanks") << " DISC1 "
                                                     << ""
                                                     << "Another disc is already called";
    QTest::newRow("a line break") << "Jazz\n2"
                                  << ""
                                  << "control character";
    QTest::newRow("a tab inside") << "Jazz\t2"
                                  << ""
                                  << "control character";
    QTest::newRow("255 characters") << QString(255, 'x') << QString(255, 'x') << "";
    QTest::newRow("256 characters") << QString(256, 'x') << ""
                                    << "at most 255 characters";
    QTest::newRow("blanks only") << "   "
                                 << ""
                                 << "A disc needs a name.";
}

void DiscsTest::renameTakesOnlyNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, why);
    Shelf s;
    s.file("Rock/A-1.mp3");
    s.build();
    s.program.addRows({"Other"});
    s.program.run("UPDATE adosong SET MP3cd='DISC1' WHERE Artist='Other'");
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    const Failure failure = Discs::rename(db, s.discs().value(0), typed);
    QVERIFY2(why.isEmpty() ? !failure.failed() : failure.description.contains(why),
             qPrintable(failure.description));
    QCOMPARE(s.program.rows("SELECT DISTINCT MP3cd FROM adosong WHERE Artist='A' UNION ALL SELECT MP3cd FROM "
                            "adodisc"),
             QStringList(2, kept.isEmpty() ? QString("ROCK1") : kept));
}

namespace {

// Sets a note of `disc` as the Discs window does; the failure's text, or what was stored.
QString writeNote(const ProgramFolder& program, const Disc& disc, DiscNotes::Field field,
                  const QString& value)
{
    Database db;
    if (db.open(program.databasePath()).failed())
        return "not opened";
    QString kept;
    const Failure failure = DiscRecords::setNote(db, disc.name, disc.root(), field, value, &kept);
    return failure ? failure.description : kept;
}

const Disc* discNamed(const QList<Disc>& discs, const QString& name)
{
    const auto found =
        std::find_if(discs.begin(), discs.end(), [&name](const Disc& disc) { return disc.name == name; });
    return found == discs.end() ? nullptr : &*found;
}

} // namespace

// The notes of a disc are kept through an update, a build of the same disc, a rename and a new
// record of a disc that had none; removing a disc takes them away.
void DiscsTest::notesStayWithTheDisc()
{
    Shelf s;
    s.file("Rock/Kestrel-Harbour.mp3");
    s.build();
    Disc disc = s.discs().value(0);
    QCOMPARE(writeNote(s.program, disc, DiscNotes::Location, "  shelf 3 "), QString("shelf 3"));
    QCOMPARE(writeNote(s.program, disc, DiscNotes::LentTo, "the neighbour"), QString("the neighbour"));
    QCOMPARE(writeNote(s.program, disc, DiscNotes::LentOn, "1 October 2026"), QString("2026-10-01"));
    QCOMPARE(writeNote(s.program, disc, DiscNotes::Note, "scratched, copy first"),
             QString("scratched, copy first"));
    const QString summary = "On shelf 3 · lent to the neighbour since 1 October 2026 · scratched, copy first";
    QCOMPARE(s.discs().value(0).record.notes.summary(), summary);

    s.file("Rock/Grey Owl-Winter.mp3");
    s.update(s.discs().value(0), true);
    s.build();
    QCOMPARE(s.program.count(), 2);
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    QVERIFY(!Discs::rename(db, s.discs().value(0), "ROCK2").failed());
    disc = s.discs().value(0);
    QCOMPARE(disc.name, QString("ROCK2"));
    QCOMPARE(disc.record.notes.summary(), summary);
    DiscNotes found;
    QVERIFY(!DiscRecords::notesFor(db, "rock2", s.root() + "Rock/", &found).failed());
    QCOMPARE(found.summary(), summary);

    // Walked again from a folder of the same volume, the disc's new record takes its notes; a
    // disc of the name on another volume does not.
    s.file("More/Lenna Vey-Slow River.mp3");
    s.build("ROCK2", "More/");
    const auto notesAt = [&s](const QString& root) {
        for (const Disc& listed : s.discs())
            if (listed.root() == s.root() + root)
                return listed.record.notes.summary();
        return QString("no such disc");
    };
    QCOMPARE(notesAt("More/"), summary);
    s.volume.uuid = "2222-BBBB";
    s.file("Other/Only-Here.mp3");
    s.build("ROCK2", "Other/");
    QCOMPARE(notesAt("Other/"), QString());

    // Songs without a record: their notes are kept by name, go with a rename, and pass to the
    // record the disc gets when it is built again from a drive.
    s.program.addRows({"Old1", "Old2"}); // ROCK1 at /media/cdrom/Rock/
    Disc old = *discNamed(s.discs(), "ROCK1");
    QVERIFY(!old.recorded);
    const qsizetype discCount = s.discs().size();
    QCOMPARE(writeNote(s.program, old, DiscNotes::Location, "in the attic"), QString("in the attic"));
    QCOMPARE(s.discs().size(), discCount); // the record that keeps the notes is no disc
    QCOMPARE(discNamed(s.discs(), "ROCK1")->record.notes.summary(), QString("In the attic"));
    QVERIFY(!DiscRecords::notesFor(db, "ROCK1", "/media/cdrom/Rock/", &found).failed());
    QCOMPARE(found.location, QString("in the attic"));
    QVERIFY(!Discs::rename(db, old, "OLD").failed());
    QVERIFY(!discNamed(s.discs(), "ROCK1"));
    QCOMPARE(discNamed(s.discs(), "OLD")->record.notes.location, QString("in the attic"));
    QVERIFY(!Discs::rename(db, *discNamed(s.discs(), "OLD"), "ROCK1").failed());
    s.build("ROCK1", "Rock/");
    const Disc* rebuilt = discNamed(s.discs(), "ROCK1");
    QVERIFY(rebuilt && rebuilt->recorded);
    QCOMPARE(rebuilt->record.notes.location, QString("in the attic"));

    for (const Disc& gone : s.discs())
        QVERIFY(!Discs::remove(db, gone).failed());
    s.program.addRows({"New"});
    QVERIFY(s.discs().value(0).record.notes.isEmpty());
    QCOMPARE(s.program.count("SELECT count(*) FROM adodisc"), 0);
}

void DiscsTest::notesAsWritten_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored"); // or the start of the refusal
    QTest::addColumn<QString>("summary");
    // clang-format off
    QTest::newRow("date as ISO") << int(DiscNotes::LentOn) << "2026-10-01" << "2026-10-01" << "Lent since 1 October 2026";
    QTest::newRow("date in words") << int(DiscNotes::LentOn) << " 3 Oct 2026" << "2026-10-03" << "Lent since 3 October 2026";
    QTest::newRow("no such day") << int(DiscNotes::LentOn) << "2026-02-30" << "'2026-02-30' is not a date" << "";
    QTest::newRow("not a date") << int(DiscNotes::LentOn) << "last week" << "'last week' is not a date" << "";
    QTest::newRow("cleared") << int(DiscNotes::Location) << "   " << "" << "";
    QTest::newRow("place said whole") << int(DiscNotes::Location) << "under the bed" << "under the bed" << "Under the bed";
    QTest::newRow("lent, no date") << int(DiscNotes::LentTo) << "Ann" << "Ann" << "Lent to Ann";
    const QString odd = "it's 100% 'fine'; DROP TABLE adodisc";
    QTest::newRow("quotes and %") << int(DiscNotes::Note) << odd << odd << odd;
    // clang-format on
}

// Each note is stored as written but for the blanks at either end; a date must be one, and is
// kept as 2026-10-01 however it was written. A disc without a name keeps none.
void DiscsTest::notesAsWritten()
{
    QFETCH(int, field);
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QFETCH(QString, summary);
    Shelf s;
    s.file("A-1.mp3");
    s.build();
    const Disc disc = s.discs().value(0);
    const QString result = writeNote(s.program, disc, DiscNotes::Field(field), written);
    QVERIFY2(result.startsWith(stored), qPrintable(result));
    const DiscNotes notes = s.discs().value(0).record.notes;
    QCOMPARE(notes.text(DiscNotes::Field(field)), summary.isEmpty() ? QString() : stored);
    QCOMPARE(notes.summary(), summary);

    s.program.run("UPDATE adosong SET MP3cd=NULL");
    s.program.run("DELETE FROM adodisc");
    const Disc nameless = s.discs().value(0);
    QVERIFY(writeNote(s.program, nameless, DiscNotes::Note, "x").startsWith("A disc without a name"));
    QVERIFY(writeNote(s.program, disc, DiscNotes::Note, "x").contains("no longer in the catalogue"));
    QCOMPARE(s.program.count("SELECT count(*) FROM adodisc"), 0);
}

// Two discs compared: songs matched whatever their letter case, accents and blanks at either
// end; a song twice on a disc (a numbered copy) counts once.
void DiscsTest::comparisonMatchesAsDuplicates()
{
    Shelf s;
    for (const char* name : {"Rock/Kestrel-Harbour.mp3", "Rock/Grey Owl-Winter.mp3",
                             "Rock/Lenna Vey-Slow River.mp3", "Rock/Only-Here.mp3"})
        s.file(name);
    s.build();
    // The backup, typed in by hand long ago: no record.
    s.program.run("INSERT INTO adosong (Artist, Title, ONcd, MP3cd, Category, FullPath) VALUES "
                  "('kestrel', ' HARBOUR ', 0, 'BACKUP', 'Rock', '/media/cdrom/'), "
                  "('Grey Ówl', 'Winter ****1', 0, 'BACKUP', 'Rock', '/media/cdrom/Old/'), "
                  "('Only', 'There', 0, 'BACKUP', 'Pop', '/media/cdrom/'), "
                  "('Kestrel', 'Harbour ****1', 0, 'ROCK1', 'Rock', '" +
                  s.root() + "Pop/'), ('Another', 'Song', 0, 'ROCK1', 'Rock', '/elsewhere/')");
    const QList<Disc> discs = s.discs();
    const Disc* rock = discNamed(discs, "ROCK1");
    const Disc* backup = discNamed(discs, "BACKUP");
    QVERIFY(rock && backup);
    Database db;
    QVERIFY(!db.open(s.program.databasePath()).failed());
    DiscComparison compared;
    QVERIFY(!DiscCompare::compare(db, *rock, *backup, &compared).failed());
    const auto names = [](const std::vector<ComparedSong>& songs) {
        QStringList list;
        for (const ComparedSong& song : songs)
            list << song.artist + "-" + song.title + "|" + song.firstFolder + "|" + song.secondFolder;
        return list;
    };
    // The row of ROCK1 outside its folder (another disc of the name) is none of its songs.
    QCOMPARE(names(compared.onlyFirst), (QStringList{"Lenna Vey-Slow River|" + s.root() + "Rock/|",
                                                     "Only-Here|" + s.root() + "Rock/|"}));
    QCOMPARE(names(compared.onlySecond), QStringList{"Only-There||/media/cdrom/"});
    QCOMPARE(names(compared.both), (QStringList{"Grey Owl-Winter|" + s.root() + "Rock/|/media/cdrom/Old/",
                                                "Kestrel-Harbour|" + s.root() + "Rock/|/media/cdrom/"}));
}

// A catalogue whose records of discs were made before they kept notes is read as it is when it
// may not be written (no notes to show or take), and gets the fields when it is opened to be.
void DiscsTest::olderRecordsGetRoomForNotes()
{
    Shelf s;
    s.file("A-1.mp3");
    s.build();
    s.program.run("DROP TABLE adodisc");
    s.program.run("CREATE TABLE adodisc (MP3cd TEXT COLLATE NOCASE, Root TEXT, VolumeRoot TEXT, Label TEXT, "
                  "UUID TEXT, FileSystem TEXT, Size INTEGER, Built TEXT, UNIQUE (MP3cd, Root))");
    s.program.run("INSERT INTO adodisc VALUES ('ROCK1', '" + s.root() + "', '" + s.root() +
                  "', 'ROCK1', '', 'vfat', 0, '2026-01-01 10:00')");
    s.program.run("PRAGMA user_version=3");
    {
        Database db;
        QVERIFY(!db.open(s.program.databasePath(), true).failed());
        QList<Disc> discs;
        QVERIFY(!Discs::list(db, &discs).failed());
        QCOMPARE(discs.size(), 1);
        QVERIFY(discs[0].recorded && discs[0].record.notes.isEmpty());
        QVERIFY(DiscRecords::setNote(db, "ROCK1", s.root(), DiscNotes::Note, "x")
                    .description.contains("cannot keep notes"));
    }
    Database db;
    SongTable table;
    QVERIFY(!openEngine(db, table, s.program.databasePath()).failed());
    QVERIFY(db.shape().discNotes);
    QCOMPARE(writeNote(s.program, s.discs().value(0), DiscNotes::Location, "box 2"), QString("box 2"));
    QCOMPARE(s.program.rows("SELECT Built, Location FROM adodisc"), QStringList{"2026-01-01 10:00|box 2"});
}

QTEST_MAIN(DiscsTest)
#include "test_discs.moc"
