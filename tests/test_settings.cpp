#include "testsupport.h"

#include "settings/profile.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void entryRules_data();
    void entryRules();
    void writeChangesOnlyItsOwnLine();
    void writesRefused();
};

void SettingsTest::entryRules_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString fortyNine(49, QLatin1Char('y'));
    QTest::newRow("Failed reads as empty") << "GET"
                                           << "GridFont"
                                           << "FontName"
                                           << "";
    QTest::newRow("longer values cut at 49") << "GET"
                                             << "Long"
                                             << "B" << fortyNine;
    QTest::newRow("names in any case") << "Get"
                                       << "swap artist/title"
                                       << "COLORDER"
                                       << "Title";
    QTest::newRow("READ is no mode") << "READ"
                                     << "Swap Artist/Title"
                                     << "ColOrder"
                                     << "";
    QTest::newRow("CRLF, BOM and junk lines") << "GET"
                                              << "Allow Duplicate Names"
                                              << "Box Checked"
                                              << "Yes";
    QTest::newRow("no mode") << ""
                             << "S"
                             << "K"
                             << "ERROR MODE";
    QTest::newRow("write without a value") << "WRITE"
                                           << "GridFont"
                                           << "FontName"
                                           << "ERROR KeyValue";
}

void SettingsTest::entryRules()
{
    QFETCH(QString, mode);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    ProgramFolder folder(false);
    // Without a file: nothing is read and no file is made.
    QCOMPARE(Modini::ProfileEntry(mode, section, key), expected.startsWith("ERROR") ? expected : QString());
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));
    const QByteArray text =
        "\xEF\xBB\xBF[GridFont]\r\nFontName=Failed Sans\r\nFontSize=\r\n\x01\x02 junk\r\n"
        "=nokey\r\n[Long]\nA=" +
        QByteArray(49, 'y') + "\nB=" + QByteArray(49, 'y') + "zz\n" +
        "[Allow Duplicate Names]\r\n  Box Checked =Yes\r\n[Swap Artist/Title]\nColOrder=Title";
    folder.writeSettings(text);
    QCOMPARE(Modini::ProfileEntry(mode, section, key), expected);
    QCOMPARE(folder.readSettings(), text);
}

// A write changes its own line and leaves every other byte as it was: comments, the
// byte-order mark, each line's own ending, bytes that are no UTF-8, lines ended by a lone
// CR. Values come back exactly as written; nothing is left beside the file.
void SettingsTest::writeChangesOnlyItsOwnLine()
{
    ProgramFolder folder(false);
    const QString path = folder.settingsPath();
    const QByteArray tail = "\rFontSize=9\n[Other]\r\nx = \xff\xfe\r\n";
    folder.writeSettings("\xEF\xBB\xBF; caf\xE9 notes\r\n[GridFont]\nFontName=Arial\r\n" + tail);
    QCOMPARE(profileRead("GridFont", "FontSize", "", 50, path), QStringLiteral("9"));
    QVERIFY(profileWrite("gridfont", "FontName", "DejaVu Sans", path));
    QVERIFY(profileWrite("Swap Artist/Title", "ColOrder", "Title", path));
    QCOMPARE(folder.readSettings(), "\xEF\xBB\xBF; caf\xE9 notes\r\n[GridFont]\nFontName=DejaVu Sans\r\n" +
                                        tail + "[Swap Artist/Title]\r\nColOrder=Title\r\n");
    QCOMPARE(Modini::ProfileEntry("write", "GridFont", "FontSize", 10.5), QString());
    QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontSize"), QStringLiteral("10.5"));
    for (const QString& odd : {QStringLiteral("Ünïcode 'q' \"d\" %PATH% $(rm -rf x) ; [x]"),
                               QStringLiteral("  padded  "), QStringLiteral("\"quoted\"")}) {
        QVERIFY(profileWrite("GridFont", "FontName", odd, path));
        QCOMPARE(Modini::ProfileEntry("GET", "GridFont", "FontName"), odd);
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"trelmo.ini"});
}

// Writes that must not happen: a read-only file, a link (dangling or not),
// values and names the format could not give back. Each leaves everything as it was.
void SettingsTest::writesRefused()
{
    ProgramFolder folder(false);
    const QString path = folder.settingsPath();
    folder.writeSettings("[GridFont]\nFontName=Arial\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    QVERIFY(!profileWrite("GridFont", "FontName", "Courier", path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(!profileWrite("GridFont", "FontName", "two\nlines", path));
    for (const auto& [section, key] :
         {std::pair{"Grid]Font", "FontName"}, std::pair{"[Grid", "FontName"},
          std::pair{"GridFont", "Font=Name"}, std::pair{"GridFont", "Font[Name"}})
        QVERIFY2(!profileWrite(section, key, "x", path), section);
    QCOMPARE(folder.readSettings(), QByteArray("[GridFont]\nFontName=Arial\n"));

    QTemporaryDir elsewhere;
    QVERIFY(QFile::remove(path));
    const QString target = elsewhere.path() + "/target.ini";
    QVERIFY(QFile::link(target, path));
    QVERIFY(!profileWrite("GridFont", "FontName", "Arial", path));
    QVERIFY(!QFileInfo::exists(target));
    QFile live(target);
    QVERIFY(live.open(QIODevice::WriteOnly));
    live.write("[GridFont]\nFontName=Arial\n");
    live.close();
    QVERIFY(!profileWrite("GridFont", "FontName", "Other", path));
    QVERIFY(live.open(QIODevice::ReadOnly));
    QCOMPARE(live.readAll(), QByteArray("[GridFont]\nFontName=Arial\n"));
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
