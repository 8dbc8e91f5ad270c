// The song lookup and the printed listing on their own, without a window.
#include "testsupport.h"

#include "browse/playreaction.h"
#include "output/listing.h"
#include "store/recordset.h"

#include <QPdfWriter>

#include <sys/stat.h>

class LookupTest : public QObject
{
    Q_OBJECT
private slots:
    void onlyRegularFilesAreSongs();
    void playing_data();
    void playing();
    void stoppedListingIsAbandoned();
};

void LookupTest::onlyRegularFilesAreSongs()
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.path() + "/Fifo-Song.mp3");
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    QFile song(dir.path() + "/A-Song.mp3");
    QVERIFY(song.open(QIODevice::WriteOnly));
    QCOMPARE(probePath(song.fileName()), PathKind::RegularFile);
    QCOMPARE(probePath(dir.path()), PathKind::Folder);
    QCOMPARE(probePath(QFile::decodeName(fifo)), PathKind::Other);
    QCOMPARE(probePath("/dev/null"), PathKind::Other);
    QCOMPARE(probePath(dir.path() + "/B-Song.mp3"), PathKind::Missing);
    QCOMPARE(probePath(""), PathKind::Missing);
}

// A row played against a disc whose names answer as `disc` says; the user cancels every
// question. What was opened, what was asked, and how often a song's name was looked up.
void LookupTest::playing_data()
{
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<QString>("disc"); // "file", "capital", "out", "silent"
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
    // A drive that does not answer is not asked again for each spelling of the name.
    QTest::newRow("drive does not answer")
        << folder << "Rain" << true << "silent" << "" << "Insert CD ROCK1 In /media Drive" << 1;
    QTest::newRow("not armed") << folder << "Rain" << false << "file" << "" << "" << 0;
    QTest::newRow("stored as a duplicate") << folder << "Rain ****12" << true << "file" << "" << "" << 0;
    QTest::newRow("no artist") << folder << "-" << true << "file" << "" << "" << 0;
    QTest::newRow("no folder stored") << "" << "Rain" << true << "out" << "" << "Insert CD ROCK1 In  Drive" << 4;
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
    hooks.probe = [&](const QString& path) {
        if (path.endsWith(".mp3", Qt::CaseInsensitive))
            ++lookups;
        if (disc == "silent")
            return PathKind::NoAnswer;
        if (disc == "file" && path.endsWith(".mp3"))
            return PathKind::RegularFile;
        if (disc == "capital" && path.endsWith(".MP3"))
            return PathKind::RegularFile;
        return path == "/media" ? PathKind::Folder : PathKind::Missing;
    };
    hooks.open = [&](const QString& path) { openedPath = path; };
    hooks.retry = [&](const QString& prompt) {
        question = prompt;
        return false;
    };
    hooks.volumeRoot = [](const QString&) { return QStringLiteral("/"); };
    // "-" stands for a row without an artist.
    const PlayRow row =
        title == "-" ? PlayRow{"", "Rain", "ROCK1", fullPath} : PlayRow{"Abba", title, "ROCK1", fullPath};
    PlayReaction(hooks, "\r\n").play(row, armed);
    QCOMPARE(openedPath, opened);
    QCOMPARE(question, asked);
    QCOMPARE(lookups, songLookups);
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

QTEST_MAIN(LookupTest)
#include "test_lookup.moc"
