#include "guisupport.h"

#include "browse/exporter.h"
#include "browse/playallshown.h"

#include <QDirIterator>
#include <QStandardPaths>

#include <cstring>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// A strict RFC 4180 reader: fields split at commas, records at CRLF, quoted fields with
// doubled quotes; anything else (a bare quote, a lone CR or LF outside quotes) fails.
bool readCsv(const QByteArray& bytes, QList<QStringList>* records)
{
    const QString text = QString::fromUtf8(bytes);
    QStringList record;
    QString field;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size())
                    return false;
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
                    field += text[++i];
                else if (text[i] == '"')
                    break;
                else
                    field += text[i];
            }
            ++i;
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != '\r') {
                if (text[i] == '"' || text[i] == '\n')
                    return false;
                field += text[i++];
            }
        }
        record << field;
        field.clear();
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (text.mid(i, 2) != "\r\n")
            return false;
        i += 2;
        records->append(record);
        record.clear();
    }
    return true;
}

// Names that trip up writers of files and of shell lines.
const QStringList oddArtists = {"Quote \"Q\" Band", "Comma, Inc", "Two\nLines", "100% Pure",
                                "$(rm -rf ~)",      "Αθηνά",      "坂本龍一"};

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT
private slots:
    void csvReadsBackAsStored();
    void playlistNamesEachSong();
    void leftOutSaysHowMany();
    void targetsThatAreNoPlainFile_data();
    void targetsThatAreNoPlainFile();
    void failedExportLeavesNothingBehind_data();
    void failedExportLeavesNothingBehind();
};

// Every field reads back as stored, in the order shown, whatever it holds.
void ExportTest::csvReadsBackAsStored()
{
    ProgramFolder program(oddArtists, "UPDATE adosong SET Playtime='00:03:45', ONcd=1 WHERE Artist LIKE '1%';"
                                      "UPDATE adosong SET ONcd=NULL WHERE Artist LIKE 'C%';"
                                      "UPDATE adosong SET Title='A first' WHERE Artist LIKE 'Q%'");
    auto titleOf = [](const QString& artist) {
        return artist.startsWith('Q') ? "A first" : artist + " song";
    };
    Started s(program.path());
    QVERIFY(s.loaded);
    // Sorted by title (not as the artists are), and an older file of that name is replaced.
    s.window->records()->requery(RecordSource::sorted({"Title", "Artist"}));
    s.prompter.fileToWrite = program.path() + "/shown.csv";
    QVERIFY(touch(s.prompter.fileToWrite, "old"));
    s.find<QAction>("mnuexport")->trigger();
    s.waitForJob();
    QCOMPARE(s.prompter.texts(), QStringList());

    const QByteArray written = contents(s.prompter.fileToWrite);
    QVERIFY(written.startsWith("\xEF\xBB\xBF"));
    QList<QStringList> records;
    QVERIFY(readCsv(written.mid(3), &records));
    QCOMPARE(records.value(0),
             QStringList({"Artist", "Title", "Playtime", "MP3cd", "ONcd", "Category", "FullPath"}));
    QStringList sorted = oddArtists;
    std::sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        return QString::compare(titleOf(a), titleOf(b), Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(records.size(), sorted.size() + 1);
    for (int i = 0; i < sorted.size(); ++i) {
        const QString& artist = sorted[i];
        const QString playtime = artist.startsWith('1') ? "00:03:45" : "";
        const QString mark = artist.startsWith('1') ? "Yes" : artist.startsWith('C') ? "" : "NotYet";
        QCOMPARE(records[i + 1], QStringList({artist, titleOf(artist), playtime, "ROCK1", mark, "Rock",
                                              "/media/cdrom/Rock/"}));
    }
    // The file dialog opened in the documents folder; the next opens where this export went.
    QCOMPARE(s.prompter.startFolders,
             QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)});
    QVERIFY(program.readSettings().contains("[Export]\nFolder=" + program.path().toUtf8() + "\n"));
    s.find<QAction>("mnuexport")->trigger();
    s.waitForJob();
    QCOMPARE(s.prompter.startFolders.last(), program.path());
}

// The playlist lists the songs shown with their lengths, each at the file playing would
// open: on the disc where it is mounted now, or where the catalogue says when it is not in.
void ExportTest::playlistNamesEachSong()
{
    ProgramFolder program;
    QTemporaryDir disc;
    QVERIFY(touchSong(disc.filePath("Rock/Kestrel-Harbour.mp3")));
    QVERIFY(touchSong(disc.filePath("Rock/01 Intro.mp3")));
    Started s(program.path(), {mounted(disc.path(), "ROCK1", "", "vfat")});
    s.find<QComboBox>("Drive1")->setCurrentIndex(1);
    QTest::mouseClick(s.find<QToolButton>("cmdmakedb"), Qt::LeftButton);
    s.waitForJob();
    program.addRows({"Grey Owl"}); // on ROCK1 at /media/cdrom/Rock/, which is not there
    program.run("UPDATE adosong SET Playtime='01:02:03' WHERE Artist='Kestrel'");
    program.run("UPDATE adosong SET FileName='07 Grey.mp3' WHERE Artist='Grey Owl'");
    // A path with a NUL in it (a catalogue edited elsewhere) names no file: no line for it.
    program.run("INSERT INTO adosong (Artist,Title,MP3cd,FullPath) "
                "VALUES ('Zed','Nul','ROCK1','/x/secret.desktop' || char(0) || '/')");
    s.window->records()->refresh();

    s.prompter.fileToWrite = program.path() + "/shown.m3u8";
    s.find<QAction>("mnuexport")->trigger();
    s.waitForJob();
    QCOMPARE(QString::fromUtf8(contents(s.prompter.fileToWrite)),
             "#EXTM3U\n"
             "#EXTINF:-1,Grey Owl - Grey Owl song\n"
             "/media/cdrom/Rock/07 Grey.mp3\n"
             "#EXTINF:3723,Kestrel - Harbour\n" +
                 disc.path() + "/Rock/Kestrel-Harbour.mp3\n#EXTINF:-1,Unknown - 01 Intro\n" + disc.path() +
                 "/Rock/01 Intro.mp3\n");
}

// One song or many, the words agree with the count.
void ExportTest::leftOutSaysHowMany()
{
    PlayAllShown::Result r;
    r.absentDiscs = {"JAZZ2"};
    r.discAbsent = 1;
    r.notOnDisc = 1;
    QCOMPARE(PlayAllShown::leftOutText(r), "1 song was left out: its disc is not in a drive (JAZZ2).\n"
                                           "1 song was left out: it is not on its disc.");
    r.discAbsent = 2;
    r.notOnDisc = 3;
    QCOMPARE(PlayAllShown::leftOutText(r), "2 songs were left out: their discs are not in a drive (JAZZ2).\n"
                                           "3 songs were left out: they are not on their disc.");
}

void ExportTest::targetsThatAreNoPlainFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("FIFO") << "fifo"
                          << "it is not a regular file";
    QTest::newRow("link to a FIFO") << "link"
                                    << "it is not a regular file";
    QTest::newRow("device") << "device"
                            << "it is not a regular file";
    QTest::newRow("read-only file") << "read-only"
                                    << "it is marked read-only";
}

// An export never replaces what is no plain file, nor a file marked read-only, whoever runs
// it: it says so, and the target is left as it was.
void ExportTest::targetsThatAreNoPlainFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    ProgramFolder program(QStringList{"Abba"});
    const QString target = program.path() + "/shown.csv";
    const QByteArray name = QFile::encodeName(target);
    if (kind == "fifo" || kind == "link")
        QVERIFY(::mkfifo(QFile::encodeName(program.path() + "/pipe").constData(), 0600) == 0);
    if (kind == "link")
        QVERIFY(QFile::link(program.path() + "/pipe", target));
    else if (kind == "fifo")
        QVERIFY(QFile::rename(program.path() + "/pipe", target));
    else if (kind == "device" && ::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
        QSKIP("Making a device takes the superuser.");
    else if (kind == "read-only")
        QVERIFY(touch(target, "kept") && ::chmod(name.constData(), 0444) == 0);
    struct stat before;
    QVERIFY(::stat(name.constData(), &before) == 0);
    const Exporter::Result result =
        Exporter::write(program.databasePath(), RecordSource::defaultSource(), target, Exporter::Format::Csv);
    QCOMPARE(result.failure.description, "'" + target + "' was left as it is: " + why + ".");
    struct stat after;
    QVERIFY(::lstat(name.constData(), &after) == 0);
    QCOMPARE(S_ISLNK(after.st_mode), kind == "link");
    QVERIFY(::stat(name.constData(), &after) == 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    if (kind == "read-only")
        QCOMPARE(contents(target), QByteArray("kept"));
}

void ExportTest::failedExportLeavesNothingBehind_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("room");
    QTest::newRow("full part way") << 3000 << 64 * 1024;
    QTest::newRow("full at the last flush") << 3 << 100;
}

// A disk that fills up during the export: the message says so, the file that was there is
// as it was, and no part of the new one is left in the folder.
void ExportTest::failedExportLeavesNothingBehind()
{
    QFETCH(int, rows);
    QFETCH(int, room);
    QStringList many;
    for (int i = 0; i < rows; ++i)
        many << QStringLiteral("Artist number %1 with a long name").arg(i);
    ProgramFolder program(many);
    Started s(program.path());
    QTemporaryDir target;
    s.prompter.fileToWrite = target.filePath("shown.csv");
    QVERIFY(touch(s.prompter.fileToWrite, "kept"));
    {
        DiskFull full(room);
        s.find<QAction>("mnuexport")->trigger();
        s.waitForJob();
    }
    QCOMPARE(s.prompter.shown.size(), size_t(1));
    // In the system's own words (here the limit stands for a full disk).
    QVERIFY2(s.prompter.texts().first().endsWith("could not be written: " + QString(std::strerror(EFBIG))),
             qPrintable(s.prompter.texts().first()));
    QCOMPARE(contents(s.prompter.fileToWrite), QByteArray("kept"));
    QCOMPARE(QDir(target.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"shown.csv"});
}

QTEST_MAIN(ExportTest)
#include "test_export.moc"
