#include "testsupport.h"

#include <QRandomGenerator>

#include "settings/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void readsNothingWithoutFile();
    void getRules();
    void argumentChecks();
    void writeModeAndMissingValue();
    void writeKeepsOtherLines();
    void awkwardFilesStillRead();
    void refusesReadOnlyFileAndFolder();
    void writeChangesOnlyItsOwnLine();
    void linksAndUnfitNamesRefused();
    void randomFilesReadAndWritten();
};

void SettingsTest::readsNothingWithoutFile()
{
    ProgramFolder folder(false);
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontName"), QString());
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));
}

void SettingsTest::getRules()
{
    ProgramFolder folder(false);
    const QByteArray fortyNine(49, 'x');
    const QByteArray sixty = QByteArray(49, 'y') + QByteArray(11, 'z');
    folder.writeSettings("[GridFont]\nFontName=Failed Sans\nFontSize=\n[Long]\nA=" + fortyNine +
                         "\nB=" + sixty + "\n[Swap Artist/Title]\nColOrder=Title\n");
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontName"), QString()); // begins with "Failed"
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontSize"), QString()); // empty value
    QCOMPARE(Modini::ProfileEntry("GET", "Long", "A"), QString::fromLatin1(fortyNine));
    QCOMPARE(Modini::ProfileEntry("GET", "Long", "B"), QString(49, QLatin1Char('y')));
    QCOMPARE(Modini::ProfileEntry("get", "Swap Artist/Title", "ColOrder"), QStringLiteral("Title"));
    // Names match without regard to case; modes too, but READ is no mode.
    QCOMPARE(Modini::ProfileEntry("Get", "swap artist/title", "COLORDER"), QStringLiteral("Title"));
    QCOMPARE(Modini::ProfileEntry("READ", "Swap Artist/Title", "ColOrder"), QString());
    QCOMPARE(Modini::ProfileEntry("GET", "Missing", "Key"), QString());
}

void SettingsTest::argumentChecks()
{
    ProgramFolder folder(false);
    QCOMPARE(Modini::ProfileEntry("", "S", "K"), QStringLiteral("ERROR MODE"));
    QCOMPARE(Modini::ProfileEntry("GET", "", "K"), QStringLiteral("ERROR Secname"));
    QCOMPARE(Modini::ProfileEntry("READ", "", "K"), QStringLiteral("ERROR Secname"));
    QCOMPARE(Modini::ProfileEntry("GET", "S", ""), QStringLiteral("ERROR Keyname"));
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));
}

void SettingsTest::writeModeAndMissingValue()
{
    ProgramFolder folder(false);
    folder.writeSettings("[GridFont]\nFontName=Arial\n");
    QCOMPARE(Modini::ProfileEntry("WRITE", "GridFont", "FontName", QString()),
             QStringLiteral("ERROR KeyValue"));
    QCOMPARE(Modini::ProfileEntry("WRITE", "GridFont", "FontName"), QStringLiteral("ERROR KeyValue"));
    QCOMPARE(folder.readSettings(), QByteArray("[GridFont]\nFontName=Arial\n"));
    QCOMPARE(Modini::ProfileEntry("write", "GridFont", "FontSize", 10.5), QString());
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontSize"), QStringLiteral("10.5"));
    // A value read back exactly as it was written, odd characters, blanks and quotes all.
    for (const QString& odd :
         {QStringLiteral("Ünïcode 'q' \"d\" %PATH% $(rm -rf x) ; [x]"), QStringLiteral("  padded  "),
          QStringLiteral("\"quoted\""), QStringLiteral("'q'")}) {
        QVERIFY(profileWrite("GridFont", "FontName", odd, folder.settingsPath()));
        QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontName"), odd);
    }
}

void SettingsTest::writeKeepsOtherLines()
{
    ProgramFolder folder(false);
    const QString path = folder.settingsPath();
    folder.writeSettings("; my notes\n[GridFont]\nFontName=Arial\n\n# keep me\n[Other]\nx = 1\n");
    QVERIFY(profileWrite("gridfont", "fontsize", "12", path));
    QVERIFY(profileWrite("GridFont", "FontName", "DejaVu Sans", path));
    QVERIFY(profileWrite("Swap Artist/Title", "ColOrder", "Title", path));
    QCOMPARE(folder.readSettings(),
             QByteArray("; my notes\n[GridFont]\nFontName=DejaVu Sans\nfontsize=12\n\n"
                        "# keep me\n[Other]\nx = 1\n[Swap Artist/Title]\nColOrder=Title\n"));
    QCOMPARE(profileRead("Other", "X", "Failed", 50, path), QStringLiteral(" 1"));
    // Nothing is left behind beside the file.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"trelmo.ini"});
}

void SettingsTest::awkwardFilesStillRead()
{
    ProgramFolder folder(false);
    folder.writeSettings(
        "\xEF\xBB\xBF[GridFont]\r\nFontName=Arial\r\n\x01\x02 junk line\r\n=nokey\r\n"
        "[Allow Duplicate Names]\r\n  Box Checked =Yes\r\n[Swap Artist/Title]\r\nColOrder=Title");
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontName"), QStringLiteral("Arial"));
    QCOMPARE(Modini::ProfileEntry("GET", "Allow Duplicate Names", "Box Checked"), QStringLiteral("Yes"));
    QCOMPARE(Modini::ProfileEntry("GET", "Swap Artist/Title", "ColOrder"), QStringLiteral("Title"));
    // A write keeps the file's own line ends.
    QVERIFY(profileWrite("GridFont", "FontSize", "9", folder.settingsPath()));
    const QByteArray after = folder.readSettings();
    QVERIFY(after.contains("FontName=Arial\r\n\x01\x02 junk line\r\n=nokey\r\nFontSize=9\r\n"));
    QVERIFY(after.contains("\x01\x02 junk line\r\n"));
    QVERIFY(after.endsWith("ColOrder=Title")); // the last line stays as it was
}

void SettingsTest::refusesReadOnlyFileAndFolder()
{
    ProgramFolder folder(false);
    const QString path = folder.settingsPath();
    folder.writeSettings("[GridFont]\nFontName=Arial\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    QVERIFY(!profileWrite("GridFont", "FontName", "Courier", path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(folder.readSettings(), QByteArray("[GridFont]\nFontName=Arial\n"));

    QTemporaryDir locked;
    const QString lockedPath = locked.path() + QStringLiteral("/trelmo.ini");
    QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QVERIFY(!profileWrite("GridFont", "FontName", "Courier", lockedPath));
    QVERIFY(!QFileInfo::exists(lockedPath));
    QFile::setPermissions(locked.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A value that would break the file's lines is refused too.
    QVERIFY(!profileWrite("GridFont", "FontName", "two\nlines", path));
}

// A write leaves every other byte of the file as it was: the byte-order mark, each line's
// own ending, bytes that are no UTF-8; lines ended by a lone CR are read.
void SettingsTest::writeChangesOnlyItsOwnLine()
{
    ProgramFolder folder(false);
    const QByteArray head = "\xEF\xBB\xBF; caf\xE9 notes\r\n[GridFont]\nFontName=Arial\r\n";
    const QByteArray tail = "\rFontSize=9\n[Other]\r\nx=\xff\xfe\r\n";
    folder.writeSettings(head + "" + tail);
    QCOMPARE(profileRead("GridFont", "FontSize", "", 50, folder.settingsPath()), QStringLiteral("9"));
    QVERIFY(profileWrite("GridFont", "FontName", "DejaVu Sans", folder.settingsPath()));
    QCOMPARE(folder.readSettings(),
             QByteArray("\xEF\xBB\xBF; caf\xE9 notes\r\n[GridFont]\nFontName=DejaVu Sans\r\n") + tail);
}

// A settings file that is a link is never written through, dangling or not; names the
// format could not give back are refused.
void SettingsTest::linksAndUnfitNamesRefused()
{
    ProgramFolder folder(false);
    QTemporaryDir elsewhere;
    const QString target = elsewhere.path() + "/target.ini";
    QVERIFY(QFile::link(target, folder.settingsPath()));
    QVERIFY(!profileWrite("GridFont", "FontName", "Arial", folder.settingsPath()));
    QVERIFY(!QFileInfo::exists(target));
    QFile live(target);
    QVERIFY(live.open(QIODevice::WriteOnly));
    live.write("[GridFont]\nFontName=Arial\n");
    live.close();
    QVERIFY(!profileWrite("GridFont", "FontName", "Other", folder.settingsPath()));
    QVERIFY(live.open(QIODevice::ReadOnly));
    QCOMPARE(live.readAll(), QByteArray("[GridFont]\nFontName=Arial\n"));
    QVERIFY(QFile::remove(folder.settingsPath()));
    for (const auto& [section, key] :
         {std::pair{"Grid]Font", "FontName"}, std::pair{"[Grid", "FontName"},
          std::pair{"GridFont", "Font=Name"}, std::pair{"GridFont", "Font[Name"}})
        QVERIFY2(!profileWrite(section, key, "x", folder.settingsPath()), section);
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));
}

// Files of random bytes, heavy in the format's own characters: reading never fails, and a
// value written is read back.
void SettingsTest::randomFilesReadAndWritten()
{
    ProgramFolder folder(false);
    QRandomGenerator random(20261207);
    const QByteArray alphabet("[]=\r\n ;#GridFontNameSize\xff\xef\xbb\xbf\x00\"'");
    for (int round = 0; round < 1000; ++round) {
        QByteArray bytes(int(random.bounded(300)), '\0');
        for (char& c : bytes)
            c = random.bounded(4) == 0 ? char(random.bounded(256))
                                       : alphabet[int(random.bounded(alphabet.size()))];
        folder.writeSettings(bytes);
        profileRead("GridFont", "FontName", "", 50, folder.settingsPath());
        Modini::ProfileEntry("GET", "Grid", "Font");
        const QString value = QString("value %1").arg(round);
        QVERIFY(profileWrite("GridFont", "FontName", value, folder.settingsPath()));
        QCOMPARE(profileRead("GridFont", "FontName", "", 50, folder.settingsPath()), value);
    }
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
