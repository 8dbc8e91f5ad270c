#include "guisupport.h"

#include <QStatusBar>

#include "mp3kinds.h"
#include "mp3tags.h"
#include "scan/mp3length.h"

#include <QComboBox>
#include <QLabel>

#include <sys/stat.h>

namespace {

// The files of every kind, encoded once for all the tests.
QTemporaryDir* kinds = nullptr;

QString kindFile(const QString& name)
{
    return kinds->path() + QLatin1Char('/') + name + QStringLiteral(".mp3");
}

void copyKind(const QString& name, const QString& to)
{
    QVERIFY(QDir().mkpath(QFileInfo(to).path()));
    QVERIFY(QFile::copy(kindFile(name), to));
}

// Stored play times of the catalogue by artist and title, as the sqlite3 shell reads them
// ("NULL" for none).
QMap<QString, QString> storedPlayTimes(const ProgramFolder& program)
{
    QMap<QString, QString> times;
    for (const QString& row : program.rows("SELECT Artist || '-' || Title, Playtime FROM adosong"))
        times.insert(row.section('|', 0, 0), row.section('|', 1));
    return times;
}

QAction* action(Started& s, const char* name)
{
    return s.window->findChild<QAction*>(QString::fromLatin1(name));
}

// Catalogues a drive of the list through the window's own button.
void buildFrom(Started& s, int drive)
{
    s.find<QComboBox>("Drive1")->setCurrentIndex(drive);
    QTest::mouseClick(s.find<QToolButton>("cmdmakedb"), Qt::LeftButton);
    s.waitForJob();
}

} // namespace

class PlayTimeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { delete kinds; }
    void lengthOfEveryKind_data();
    void lengthOfEveryKind();
    void noLengthForWhatIsNoSong_data();
    void noLengthForWhatIsNoSong();
    void shownAndSortedByLength();
    void buildReadsPlayTimesWhenAsked();
    void fillInTheRowsShown();
    void namesFromTagsWhenAsked();
};

void PlayTimeTest::initTestCase()
{
    kinds = new QTemporaryDir;
    using K = Mp3Kinds::Kind;
    const struct
    {
        const char* name;
        K kind;
        double seconds;
        const char* sampleRate;
    } files[] = {
        {"cbr-info", K::ConstantWithInfo, 20, ""},          {"cbr", K::ConstantNoHeader, 20, ""},
        {"vbr-xing", K::VariableWithXing, 20, ""},          {"vbr", K::VariableNoHeader, 20, ""},
        {"vbr-quiet-intro", K::QuietIntroNoHeader, 30, ""}, {"big-tag", K::LargeTagInFront, 20, ""},
        {"short-cbr", K::ConstantNoHeader, 0.5, ""},        {"short-vbr", K::VariableNoHeader, 0.5, ""},
        {"mpeg2-xing", K::VariableWithXing, 20, "22.05"},   {"mpeg2-vbr", K::VariableNoHeader, 20, "22.05"},
        {"mpeg25-xing", K::VariableWithXing, 20, "11.025"}, {"mpeg25-vbr", K::VariableNoHeader, 20, "11.025"},
    };
    for (const auto& f : files) {
        QString error;
        QVERIFY2(Mp3Kinds::make(f.kind, f.seconds, kindFile(f.name), &error, f.sampleRate),
                 qPrintable(error));
    }
    // A stretch of a variable-bitrate file damaged: the frames after it still count.
    QByteArray damaged = contents(kindFile("vbr"));
    damaged.replace(damaged.size() / 2, 3000, QByteArray(3000, '\x55'));
    QVERIFY(touch(kindFile("vbr-damaged"), damaged));
    // An Info header that counts 2^32 - 1 frames: more than the file can hold.
    QByteArray counted = contents(kindFile("cbr-info"));
    const qsizetype info = counted.indexOf("Info");
    QVERIFY(info > 0);
    counted.replace(info + 8, 4, QByteArray(4, '\xFF'));
    QVERIFY(touch(kindFile("cbr-info-miscounted"), counted));
    // An ID3v1 tag at the end is no audio.
    QVERIFY(
        touch(kindFile("cbr-id3v1"), contents(kindFile("cbr")) + QByteArray("TAG").leftJustified(128, 'x')));
}

void PlayTimeTest::lengthOfEveryKind_data()
{
    using M = Mp3Length::Method;
    QTest::addColumn<QString>("file");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<Mp3Length::Method>("method");
    QTest::newRow("constant bitrate, Info header") << "cbr-info" << 20.0 << M::Header;
    QTest::newRow("constant bitrate, no header") << "cbr" << 20.0 << M::Constant;
    QTest::newRow("constant bitrate, ID3v1 tag at the end") << "cbr-id3v1" << 20.0 << M::Constant;
    QTest::newRow("variable bitrate, Xing header") << "vbr-xing" << 20.0 << M::Header;
    QTest::newRow("variable bitrate, no header") << "vbr" << 20.0 << M::FrameCount;
    QTest::newRow("variable bitrate, no header, quiet intro") << "vbr-quiet-intro" << 30.0 << M::FrameCount;
    QTest::newRow("variable bitrate, no header, a damaged stretch") << "vbr-damaged" << 20.0 << M::FrameCount;
    QTest::newRow("MPEG-2 22.05 kHz, Xing header") << "mpeg2-xing" << 20.0 << M::Header;
    QTest::newRow("MPEG-2 22.05 kHz, no header") << "mpeg2-vbr" << 20.0 << M::FrameCount;
    QTest::newRow("MPEG-2.5 11 kHz, Xing header") << "mpeg25-xing" << 20.0 << M::Header;
    QTest::newRow("MPEG-2.5 11 kHz, no header") << "mpeg25-vbr" << 20.0 << M::FrameCount;
    QTest::newRow("300 KB picture tag in front") << "big-tag" << 20.0 << M::Constant;
    QTest::newRow("a header counting more frames than fit") << "cbr-info-miscounted" << 20.0 << M::Constant;
    QTest::newRow("half a second, constant") << "short-cbr" << 0.5 << M::Constant;
    QTest::newRow("half a second, variable") << "short-vbr" << 0.5 << M::FrameCount;
}

// Within a second of the sound encoded; only a variable bitrate without a header is read
// whole, everything else in at most 64 KB (a tag in front is skipped, not read).
void PlayTimeTest::lengthOfEveryKind()
{
    QFETCH(QString, file);
    QFETCH(double, seconds);
    QFETCH(Mp3Length::Method, method);
    const Mp3Length::Measurement m = Mp3Length::measure(QFile::encodeName(kindFile(file)).constData());
    QVERIFY(m.seconds);
    QVERIFY2(qAbs(*m.seconds - seconds) < 1.0, qPrintable(QString::number(*m.seconds)));
    QCOMPARE(m.method, method);
    if (method != Mp3Length::Method::FrameCount)
        QVERIFY2(m.bytesRead <= 64 * 1024, qPrintable(QString::number(m.bytesRead)));
    // The same file on a disc that stops answering part way (it reads shorter than its size):
    // no length at all rather than a short one.
    QFile song(kindFile(file));
    QVERIFY(song.open(QIODevice::ReadOnly));
    QCOMPARE(Mp3Length::measure(song.handle(), song.size() + 64 * 1024).method, Mp3Length::Method::None);
}

void PlayTimeTest::noLengthForWhatIsNoSong_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray song = contents(kindFile("cbr"));
    QByteArray random(200 * 1024, Qt::Uninitialized);
    quint32 x = 7;
    for (char& c : random)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    const QByteArray tagOnly = QByteArray("ID3\x03\x00\x00\x00\x00\x10\x00", 10) + QByteArray(2048, '\0');
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut inside its first frame") << song.left(300);
    QTest::newRow("random bytes") << random;
    QTest::newRow("a tag and no audio") << tagOnly;
    QTest::newRow("a tag, then zeros") << tagOnly + QByteArray(100000, '\0');
    QTest::newRow("cut after its Info header") << contents(kindFile("cbr-info")).left(417);
    QTest::newRow("2 GB, sparse after its first frames") << QByteArray("sparse");
}

void PlayTimeTest::noLengthForWhatIsNoSong()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(
        touch(dir.filePath("x.mp3"), content == "sparse" ? contents(kindFile("cbr")).left(65536) : content));
    if (content == "sparse")
        QVERIFY(QFile::resize(dir.filePath("x.mp3"), 2LL << 30));
    QCOMPARE(Mp3Length::measure(QFile::encodeName(dir.filePath("x.mp3")).constData()).method,
             Mp3Length::Method::None);
}

// Lengths show as m:ss (h:mm:ss from an hour); a click on the head orders them by length,
// songs without one last; a length typed in is stored in the same form.
void PlayTimeTest::shownAndSortedByLength()
{
    ProgramFolder program({"A", "B", "C", "D", "E"},
                          "UPDATE adosong SET Playtime = CASE Artist WHEN 'A' THEN "
                          "'00:10:00' WHEN 'B' THEN '00:09:59' WHEN 'C' THEN NULL "
                          "WHEN 'D' THEN '' ELSE '01:02:03' END");
    Started s(program.path());
    QVERIFY(s.loaded);
    SongGrid* grid = s.window->grid();
    emit grid->view()->horizontalHeader()->sectionClicked(Song::PlaytimeColumn);
    QStringList shown;
    for (int row = 0; row < 5; ++row)
        shown << s.window->records()->value(row, Song::Artist).toString() + " " +
                     grid->model()->index(row, Song::PlaytimeColumn).data().toString();
    QCOMPARE(shown, QStringList({"B 9:59", "A 10:00", "E 1:02:03", "C ", "D "}));

    QVERIFY(grid->model()->setData(grid->model()->index(0, Song::PlaytimeColumn), "3:45"));
    QVERIFY(grid->model()->setData(grid->model()->index(1, Song::PlaytimeColumn), "live"));
    QCOMPARE(storedPlayTimes(program).value("B-B song"), "00:03:45");
    QCOMPARE(storedPlayTimes(program).value("A-A song"), "live");
}

// The option is kept in the settings file; with it on a build stores each song's length,
// and a file that is no song gets none and no message.
void PlayTimeTest::buildReadsPlayTimesWhenAsked()
{
    ProgramFolder program;
    QTemporaryDir disc;
    copyKind("vbr", disc.filePath("Rock/Quick-Song.mp3"));
    copyKind("cbr-info", disc.filePath("Rock/Header-Song.mp3"));
    QVERIFY(touch(disc.filePath("Rock/Junk-Song.mp3"), "not a song"));
    Started s(program.path(), {mounted(disc.path(), "ROCK1", "", "vfat")});
    QVERIFY(s.loaded);
    QVERIFY(!action(s, "mnuplaytimes")->isChecked());
    action(s, "mnuplaytimes")->trigger();
    QVERIFY(program.readSettings().contains("[Read Play Times]\nBox Checked=Yes"));
    s.restart();
    QVERIFY(action(s, "mnuplaytimes")->isChecked());

    buildFrom(s, 1);
    QCOMPARE(s.prompter.texts(), QStringList());
    QMap<QString, QString> times = storedPlayTimes(program);
    QCOMPARE(times.value("Quick-Song"), "00:00:20");
    QCOMPARE(times.value("Header-Song"), "00:00:20");
    QVERIFY(times.value("Junk-Song") == "NULL");
    QCOMPARE(s.window->statusBar()->currentMessage(), "3 songs found: 3 added, 1 without a play time");

    // Off again: the next disc's songs get no length.
    action(s, "mnuplaytimes")->trigger();
    QVERIFY(program.readSettings().contains("Box Checked=No"));
    copyKind("cbr", disc.filePath("Pop/Later-Song.mp3"));
    buildFrom(s, 1);
    QVERIFY(storedPlayTimes(program).value("Later-Song") == "NULL");
}

// The rows shown get the lengths of the songs whose discs are in; one message counts them
// and names the discs that are not.
void PlayTimeTest::fillInTheRowsShown()
{
    ProgramFolder program;
    QTemporaryDir here, away;
    copyKind("cbr", here.filePath("Rock/Near-One.mp3"));
    copyKind("vbr-xing", here.filePath("Rock/02 Near Two.mp3"));
    copyKind("cbr", away.filePath("Jazz/Far-One.mp3"));
    Started s(program.path(),
              {mounted(here.path(), "HERE1", "", "vfat"), mounted(away.path(), "AWAY1", "", "vfat")});
    QVERIFY(s.loaded);
    buildFrom(s, 1);
    buildFrom(s, 2);
    QCOMPARE(s.window->records()->recordCount(), 3);
    QVERIFY(storedPlayTimes(program).value("Near-One") == "NULL");

    // The second disc is taken out.
    s.volumes.list.removeLast();
    QVERIFY(QDir(away.path()).removeRecursively());
    s.prompter.shown.clear();
    action(s, "mnufillplaytimes")->trigger();
    s.waitForJob();
    QCOMPARE(s.prompter.texts(),
             QStringList({"Play times filled in: 2 of 3 songs.\nNot in a drive: AWAY1."}));
    const QMap<QString, QString> times = storedPlayTimes(program);
    QCOMPARE(times.value("Near-One"), "00:00:20");
    QCOMPARE(times.value("Unknown-02 Near Two"), "00:00:20");
    QVERIFY(times.value("Far-One") == "NULL");
    // The grid shows them at once, and the totals count them.
    QCOMPARE(s.window->grid()->model()->index(1, Song::PlaytimeColumn).data().toString(), "0:20");
    QTRY_COMPARE(s.find<QLabel>("lbltotals")->text(), QString("3 songs · 0:00:40 · 1 without a play time"));
}

// Options → Names From Tags and the code page of old tags are kept in the settings file, and
// a build reads the tags of the same files whose lengths it reads.
void PlayTimeTest::namesFromTagsWhenAsked()
{
    ProgramFolder program;
    QTemporaryDir disc;
    const QString cbr = kindFile("cbr");
    QVERIFY(touch(disc.filePath("Kino/01 Track.mp3"),
                  Mp3Tags::id3v23Latin1("\xca\xe8\xed\xee", "\xc7\xe2\xe5\xe7\xe4\xe0") + contents(cbr)));
    QVERIFY(touch(disc.filePath("Kino/02 Track.mp3"), contents(cbr)));
    Started s(program.path(), {mounted(disc.path(), "KINO", "", "vfat")});
    QVERIFY(s.loaded);
    QVERIFY(!action(s, "mnutags")->isChecked());
    QVERIFY(action(s, "mnucodepage_windows-1252")->isChecked());
    action(s, "mnutags")->trigger();
    action(s, "mnucodepage_windows-1251")->trigger();
    action(s, "mnuplaytimes")->trigger();
    QVERIFY(program.readSettings().contains("[Names From Tags]\nBox Checked=Yes"));
    QVERIFY(program.readSettings().contains("[Tag Code Page]\nName=windows-1251"));
    s.restart();
    QVERIFY(action(s, "mnutags")->isChecked());
    QVERIFY(action(s, "mnucodepage_windows-1251")->isChecked());

    buildFrom(s, 1);
    QCOMPARE(s.prompter.texts(), QStringList());
    QCOMPARE(program.rows("SELECT Artist, Title, Playtime, FileName FROM adosong ORDER BY rowid"),
             (QStringList{"Кино|Звезда|00:00:20|01 Track.mp3", "Unknown|02 Track|00:00:20|02 Track.mp3"}));
}

QTEST_MAIN(PlayTimeTest)
#include "test_playtime.moc"
