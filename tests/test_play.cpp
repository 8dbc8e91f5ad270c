// Runs on a real X server (Xvfb) with a window manager (openbox), so that windows get
// frames and songs go to the desktop's opener as they do for the user: xdg-open, here a
// stand-in first on PATH that writes down what it was given.
#include "guisupport.h"

#include <QHash>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QTemporaryDir* g_opener = nullptr;

QString openedList()
{
    return g_opener->path() + "/opened.txt";
}

// The files the desktop was asked to open, in order, as the file system's bytes.
QList<QByteArray> openedFiles()
{
    QList<QByteArray> files;
    for (const QByteArray& line : contents(openedList()).split('\n'))
        if (line.startsWith("file://"))
            files << QByteArray::fromPercentEncoding(line.mid(7));
    return files;
}

QStringList opened()
{
    QStringList paths;
    for (const QByteArray& file : openedFiles())
        paths << QFile::decodeName(file);
    return paths;
}

// How a song of each kind begins, as far as the program looks.
QByteArray firstBytes(const QByteArray& name)
{
    const QByteArray ending = name.mid(name.lastIndexOf('.') + 1).toLower();
    const QHash<QByteArray, QByteArray> heads = {
        {"flac", "fLaC"},
        {"ogg", "OggS"},
        {"opus", "OggS"},
        {"m4a", QByteArray("\0\0\0\x20", 4) + "ftypM4A "},
        {"wav", QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16)},
        {"aiff", QByteArray("FORM\0\0\0\x24"
                            "AIFFCOMM",
                            16)},
        {"wma", QByteArray("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16)}};
    return heads.contains(ending) ? heads[ending].leftJustified(417, '\0') : mp3Frame();
}

// A catalogue built by the real scan from a disc of the test's own, in a shown window.
struct Shelf
{
    QTemporaryDir disc;
    std::unique_ptr<ShownWindow> s;
    QTableView* view = nullptr;

    // `files` named as the file system's bytes, each beginning as its kind does; the window
    // starts with `settings` as its settings file.
    explicit Shelf(const QList<QByteArray>& files, const QByteArray& settings = {})
    {
        QFile::remove(openedList());
        for (const QByteArray& name : files) {
            const QByteArray path = QFile::encodeName(disc.path()) + "/" + name;
            for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
                ::mkdir(path.left(slash).constData(), 0755); // folders that are there already stay
            const QByteArray bytes = firstBytes(name);
            const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() &&
                    ::close(fd) == 0);
        }
        s = std::make_unique<ShownWindow>(
            QStringList(), QString(), QList<Volume>{mounted(disc.path(), "ROCK1", "", "iso9660")}, settings);
        view = s->view();
        s->find<QComboBox>("Drive1")->setCurrentIndex(1);
        QTest::mouseClick(s->find<QToolButton>("cmdmakedb"), Qt::LeftButton);
        s->waitForJob();
        QCOMPARE(s->window->records()->recordCount(), qint64(files.size()));
    }
    ScriptedPrompter& prompter() { return s->prompter; }
    int rowOf(const QString& artist) const
    {
        for (int row = 0; row < view->model()->rowCount(); ++row)
            if (view->model()->index(row, 0).data().toString() == artist)
                return row;
        return -1;
    }
    // A click of the user's on a cell.
    void click(int row, int column)
    {
        const QModelIndex cell = view->model()->index(row, column);
        view->scrollTo(cell);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    }
    void click(const QString& artist, int column = 1) { click(rowOf(artist), column); }
};

// Nothing reached the desktop: the stand-in would have written by now.
void noSongOpened()
{
    QTest::qWait(300);
    QCOMPARE(opened(), QStringList());
}

} // namespace

class PlayTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void opensTheSong_data();
    void opensTheSong();
    void asksForTheDisc();
    void onCdToggles();
    void playAllShown();
    void onlySongsReachTheDesktop_data();
    void onlySongsReachTheDesktop();
    void everyFormatPlays();
};

void PlayTest::initTestCase()
{
    g_opener = new QTemporaryDir;
    const QString script = g_opener->path() + "/xdg-open";
    // A file named "…Unplayable…" has no program set up for it.
    QVERIFY(touch(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$TRELMO_OPENED\"\n"
                          "case \"$1\" in *Unplayable*) exit 3;; esac\n"));
    QVERIFY(QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    qputenv("TRELMO_OPENED", QFile::encodeName(openedList()));
    qputenv("PATH", QFile::encodeName(g_opener->path()) + ":" + qgetenv("PATH"));
}

void PlayTest::cleanupTestCase()
{
    delete g_opener;
}

void PlayTest::opensTheSong_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("editedTo"); // the artist typed over in the grid before the click
    QTest::newRow("shell characters") << "Rock/O'Brien \"Q\" $(touch x) `ls`; 100%-Song & more.mp3"
                                      << "O'Brien \"Q\" $(touch x) `ls`; 100%" << QString();
    QTest::newRow("capital ending, spaces, accents") << "Jazz/Ärtist  Ünö-Tïtle .MP3"
                                                     << "Ärtist  Ünö" << QString();
    QTest::newRow("in the disc's root") << "Root-Song.mp3"
                                        << "Root" << QString();
    QTest::newRow("written on an older system")
        << QString::fromLatin1("Caf\xe9/Ol\xe9-Old.mp3") << "Olé" << QString();
    QTest::newRow("nothing set up to open it") << "Rock/Unplayable-Song.mp3"
                                               << "Unplayable" << QString();
    QTest::newRow("no dash") << "Misc/01 Intro.mp3"
                             << "Unknown" << QString();
    QTest::newRow("no title") << "Rock/Kestrel-.mp3"
                              << "Kestrel" << QString();
    QTest::newRow("artist edited") << "Rock/Kestrel-Harbour.mp3"
                                   << "Kestrel"
                                   << "Kestrel & Co";
}

void PlayTest::opensTheSong()
{
    QFETCH(QString, file);
    QFETCH(QString, artist);
    QFETCH(QString, editedTo);
    // A name the build read as Windows-1252 is opened as the bytes the disc holds.
    const QByteArray name = file.startsWith("Caf") ? file.toLatin1() : file.toUtf8();
    Shelf shelf({name});
    if (!editedTo.isEmpty()) {
        QVERIFY(shelf.view->model()->setData(shelf.view->model()->index(shelf.rowOf(artist), 0), editedTo));
        artist = editedTo;
    }
    shelf.click(artist);
    QTRY_COMPARE(openedFiles(), QList<QByteArray>{QFile::encodeName(shelf.disc.path()) + "/" + name});
    if (!artist.contains("Unplayable")) {
        QVERIFY(shelf.prompter().shown.empty());
    } else {
        QTRY_COMPARE(
            shelf.prompter().texts(),
            QStringList{shelf.disc.path() + "/" + file +
                        " could not be opened: no program is set up on this desktop to open such files."});
    }
    QVERIFY(shelf.s->window->songPlayer()->isArmed());
}

void PlayTest::asksForTheDisc()
{
    Shelf shelf({"Rock/Lenna Vey-Slow River.mp3", "Rock/Grey Owl-Harbour.mp3", "Rock/NoDash.mp3"});
    const QString disc = shelf.disc.path();
    const QString out = disc + "-out";

    // The disc is out: it is asked for by name and mount point, with where the user keeps it
    // beneath; Cancel gives up.
    shelf.s->run("UPDATE adodisc SET Location='shelf 3', LentOn='2026-10-01'");
    QVERIFY(QDir().rename(disc, out));
    shelf.click("Grey Owl");
    const QString insert = "Insert CD ROCK1 In " + disc + " Drive";
    QCOMPARE(shelf.prompter().texts(), QStringList{insert});
    QCOMPARE(shelf.prompter().shown[0].notes, QString("On shelf 3 · lent since 1 October 2026"));
    QCOMPARE(shelf.prompter().shown[0].buttons, Prompter::RetryCancel);
    QCOMPARE(shelf.prompter().shown[0].title, QStringLiteral("Check CD"));
    QVERIFY(shelf.s->window->songPlayer()->isArmed());

    // Put in while the question is open, Retry plays it.
    shelf.prompter().answers = {Prompter::Retry, Prompter::Retry};
    int asked = 0;
    shelf.prompter().beforeAnswer = [&](const QString&) {
        if (++asked == 2)
            QVERIFY(QDir().rename(out, disc));
    };
    shelf.click("Lenna Vey");
    QCOMPARE(shelf.prompter().texts(), (QStringList{insert, insert, insert}));
    QTRY_COMPARE(opened(), QStringList{disc + "/Rock/Lenna Vey-Slow River.mp3"});

    // The disc mounted elsewhere: found there, wherever that is.
    const QString elsewhere = disc + "-elsewhere";
    QVERIFY(QDir().rename(disc, elsewhere));
    shelf.s->volumes.list[1].root = elsewhere;
    shelf.click("Grey Owl", 0);
    QTRY_COMPARE(opened().last(), elsewhere + "/Rock/Grey Owl-Harbour.mp3");
    QVERIFY(QDir().rename(elsewhere, disc));
    shelf.s->volumes.list[1].root = disc;

    // The disc is in but the file is gone: said so, with no question. A song whose name has
    // no dash plays by the name it kept.
    shelf.prompter().beforeAnswer = nullptr;
    shelf.prompter().shown.clear();
    QVERIFY(QFile::remove(disc + "/Rock/Grey Owl-Harbour.mp3"));
    shelf.click("Grey Owl");
    shelf.click("Unknown");
    QTRY_COMPARE(opened().last(), disc + "/Rock/NoDash.mp3");
    QCOMPARE(shelf.prompter().texts(),
             QStringList{"The disc ROCK1 is in the drive (" + disc +
                         "), but the song Rock/Grey Owl-Harbour.mp3 is not on it: it was renamed or removed "
                         "since the disc was catalogued."});

    // A row of a catalogue made before names were kept, whose file is gone, asks for the file
    // to be renamed, in this system's form.
    shelf.prompter().shown.clear();
    shelf.s->run("UPDATE adosong SET FileName=NULL");
    QVERIFY(QFile::rename(disc + "/Rock/NoDash.mp3", disc + "/Rock/No Dash.mp3"));
    shelf.s->window->findChild<QPushButton*>("cmdrefresh")->click();
    shelf.click("Unknown");
    QCOMPARE(shelf.prompter().texts(), QStringList{"This Artist/Title does not exist as UNKNOWN \r\n"
                                                   "Rename mp3 in format ' /path/artist-title.mp3 '"});
}

void PlayTest::onCdToggles()
{
    Shelf shelf({"Rock/Lenna Vey-Slow River.mp3"});
    shelf.s->run("INSERT INTO adosong (Artist,Title,ONcd) VALUES ('Blank','Mark',NULL)");
    shelf.s->window->findChild<QPushButton*>("cmdrefresh")->click();
    const int row = shelf.rowOf("Lenna Vey");
    for (const char* mark : {"Yes", "NotYet", "Yes"}) {
        shelf.click(row, Song::OnCdColumn);
        QCOMPARE(shelf.view->model()->index(row, Song::OnCdColumn).data().toString(), QString(mark));
        // The cursor moves on to the title, which plays nothing.
        QCOMPARE(shelf.view->currentIndex().column(), 1);
    }
    shelf.click("Blank", Song::OnCdColumn);
    QCOMPARE(shelf.view->model()->index(shelf.rowOf("Blank"), Song::OnCdColumn).data().toString(),
             QStringLiteral("NotYet"));
    QVERIFY(shelf.prompter().shown.empty());
    noSongOpened();

    // Stored at once.
    RecordSet stored;
    stored.setCatalogue(shelf.s->databasePath());
    QVERIFY(!stored.refresh().failed());
    QCOMPARE(stored.value(0, Song::ONcd).toLongLong(), 0);
    QCOMPARE(stored.value(1, Song::ONcd).toLongLong(), 1);
}

// The songs shown whose disc is in go to the desktop as one playlist, in the order shown;
// one message names the disc that is not in.
void PlayTest::playAllShown()
{
    // A name written on an older system goes as the bytes the disc holds, in a file URL.
    Shelf shelf({"Rock/Lenna Vey-Slow River.mp3", "Rock/Grey Owl-Harbour.mp3", "Caf\xe9/Ol\xe9-Old.mp3"});
    shelf.s->run("INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) VALUES "
                 "('Ada Brandt','Blue','0','JAZZ2','Jazz','/media/jazz2/Jazz/'),"
                 "('Ada Brandt','Green','0','JAZZ2','Jazz','/media/jazz2/Jazz/')");
    shelf.s->window->findChild<QPushButton*>("cmdrefresh")->click();
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    shelf.s->find<QAction>("mnuplayall")->trigger();
    shelf.s->waitForJob();
    QCOMPARE(shelf.prompter().texts(),
             QStringList{"2 songs were left out: their discs are not in a drive (JAZZ2)."});
    QTRY_COMPARE(opened().size(), 1);
    QVERIFY(opened().first().startsWith(cache.path()));
    const QString disc = shelf.disc.path();
    QCOMPARE(QString::fromUtf8(contents(opened().first())), "#EXTM3U\n"
                                                            "#EXTINF:-1,Grey Owl - Harbour\n" +
                                                                disc +
                                                                "/Rock/Grey Owl-Harbour.mp3\n"
                                                                "#EXTINF:-1,Lenna Vey - Slow River\n" +
                                                                disc +
                                                                "/Rock/Lenna Vey-Slow River.mp3\n"
                                                                "#EXTINF:-1,Olé - Old\nfile://" +
                                                                disc + "/Caf%E9/Ol%E9-Old.mp3\n");
}

// Rows of a catalogue made elsewhere may name any file of the machine: none but a song file
// where its row says reaches the desktop's opener or a playlist. "@" stands for the disc.
void PlayTest::onlySongsReachTheDesktop_data()
{
    QTest::addColumn<QString>("fullPath");
    QTest::addColumn<QByteArray>("fileName");
    QTest::addColumn<QString>("why");
    const QString single = "it is not a single file name";
    const QString ending = "its name does not end as a song's does";
    const QString content = "its first bytes are not those of an MP3";
    // clang-format off
    QTest::newRow("up and out of the disc") << "@/Rock/" << QByteArray("../../../../../../etc/passwd") << single;
    QTest::newRow("a desktop entry") << "@/Rock/" << QByteArray("evil.desktop") << ending;
    QTest::newRow("a script") << "@/Rock/" << QByteArray("run.sh") << ending;
    QTest::newRow("a file of the system's") << "/etc/" << QByteArray("passwd") << ending;
    QTest::newRow("the process's own") << "/proc/self/" << QByteArray("environ") << ending;
    QTest::newRow("a folder that climbs") << "@/Rock/../../" << QByteArray("secret.txt")
                                          << "its folder has a \"..\" part";
    QTest::newRow("a desktop entry named as a song") << "@/Rock/" << QByteArray("evil.mp3") << content;
    QTest::newRow("a link to a file of the system's") << "@/Rock/" << QByteArray("link.mp3") << content;
    QTest::newRow("a relative folder") << "Rock/" << QByteArray("Real-Song.mp3") << "its folder is not a full path";
    // clang-format on
}

void PlayTest::onlySongsReachTheDesktop()
{
    QFETCH(QString, fullPath);
    QFETCH(QByteArray, fileName);
    QFETCH(QString, why);
    Shelf shelf({"Rock/Real-Song.mp3"});
    const QString disc = shelf.disc.path();
    const QByteArray entry = "[Desktop Entry]\nType=Application\nExec=touch /tmp/owned\n";
    for (const char* name : {"evil.desktop", "run.sh", "evil.mp3"}) {
        QVERIFY(touch(disc + "/Rock/" + name, entry));
        QVERIFY(
            QFile::setPermissions(disc + "/Rock/" + name, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    QVERIFY(QFile::link("/etc/passwd", disc + "/Rock/link.mp3"));
    QVERIFY(touch(shelf.disc.path() + "/secret.txt", "secret"));
    fullPath.replace("@", disc);
    shelf.s->run(QString("INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath,FileName) VALUES "
                         "('Crafted','Row',0,'ROCK1','Rock','%1',CAST(x'%2' AS TEXT))")
                     .arg(fullPath, QString::fromLatin1(fileName.toHex())));
    shelf.s->window->findChild<QPushButton*>("cmdrefresh")->click();
    shelf.click("Crafted");
    QCOMPARE(shelf.prompter().texts(),
             QStringList{QString("The catalogue names a file that is not a song: '%1' (%2).")
                             .arg(fullPath + QString::fromUtf8(fileName), why)});
    noSongOpened();

    // Left out of the playlists, and said how often; the real song goes.
    shelf.prompter().shown.clear();
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    shelf.s->find<QAction>("mnuplayall")->trigger();
    shelf.s->waitForJob();
    QCOMPARE(shelf.prompter().texts(),
             QStringList{"1 row was left out: it names a file that is not a song."});
    QTRY_COMPARE(opened().size(), 1);
    QCOMPARE(contents(opened().first()).count(".mp3\n"), 1);
    shelf.prompter().shown.clear();
    shelf.prompter().fileToWrite = cache.path() + "/all.m3u8";
    shelf.s->find<QAction>("mnuexport")->trigger();
    shelf.s->waitForJob();
    QCOMPARE(shelf.prompter().texts(),
             QStringList{"1 row was left out: it names a file that is not a song."});
    QVERIFY(!contents(cache.path() + "/all.m3u8").contains("Crafted"));
    QCOMPARE(contents(cache.path() + "/all.m3u8").count(".mp3\n"), 1);
}

// With All Audio Files on, a song of every format is catalogued and plays; it keeps playing
// once the option is off again.
void PlayTest::everyFormatPlays()
{
    const QList<QByteArray> files = {"Rock/Flac-Song.flac", "Rock/Ogg-Song.ogg", "Rock/Opus-Song.opus",
                                     "Rock/M4a-Song.m4a",   "Rock/Wma-Song.WMA", "Rock/Wav-Song.wav",
                                     "Rock/Aiff-Song.aiff", "Rock/Mp3-Song.mp3"};
    Shelf shelf(files, "[All Audio Files]\r\nBox Checked=Yes\r\n");
    for (const QByteArray& file : files) {
        QFile::remove(openedList());
        const QString artist = QString::fromUtf8(file.mid(5, file.indexOf('-') - 5));
        shelf.click(artist);
        QTRY_VERIFY2(!openedFiles().isEmpty(),
                     qPrintable(artist + ": " + shelf.prompter().texts().join('\n')));
        QCOMPARE(openedFiles(), QList<QByteArray>{QFile::encodeName(shelf.disc.path()) + "/" + file});
        QVERIFY2(shelf.prompter().shown.empty(), qPrintable(shelf.prompter().texts().join('\n')));
    }
    shelf.s->find<QAction>("mnuallaudio")->trigger();
    QVERIFY2(shelf.s->readSettings().contains("Box Checked=No"), shelf.s->readSettings().constData());
    QFile::remove(openedList());
    shelf.click("Flac");
    QTRY_COMPARE(openedFiles().size(), 1);
    QVERIFY(shelf.prompter().shown.empty());
}

QTEST_MAIN(PlayTest)
#include "test_play.moc"
