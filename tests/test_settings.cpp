#include "testsupport.h"

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/profile.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The settings file as a user who may write it but not read it sees it. The superuser reads
// whatever the mode says, so as root the file and its folder are handed to another user
// (65534) whose file-system identity this thread takes on meanwhile.
struct WriteOnly
{
    WriteOnly(const QString& folder, const QString& file)
        : names{QFile::encodeName(folder), QFile::encodeName(file)}
    {
        ::chmod(names[1].constData(), 0200);
        for (const QByteArray& name : names)
            QVERIFY(::geteuid() != 0 || ::chown(name.constData(), 65534, 65534) == 0);
        ::setfsuid(65534);
    }
    ~WriteOnly()
    {
        ::setfsuid(::geteuid());
        for (const QByteArray& name : names)
            ::chown(name.constData(), ::geteuid(), ::getegid());
        ::chmod(names[1].constData(), 0600);
    }
    QByteArray names[2];
};
} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void entryRules_data();
    void entryRules();
    void writeChangesOnlyItsOwnLine();
    void writesRefused();
};

// The four entries as the program reads them: exact words only, names in any case, a
// value longer than 49 characters cut, one that begins with "Failed" taken for none.
void SettingsTest::entryRules_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("duplicates");
    QTest::addColumn<bool>("titleFirst");
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<QString>("fontSize");
    QTest::newRow("no file") << QByteArray() << false << false << ""
                             << "";
    QTest::newRow("as written") << QByteArray("[Allow Duplicate Names]\nBox Checked=Yes\n[GridFont]\n"
                                              "FontName=Arial\nFontSize=10.5\n[Swap Artist/Title]\n"
                                              "ColOrder=Title\n")
                                << true << true << "Arial"
                                << "10.5";
    QTest::newRow("exact words, names in any case")
        << QByteArray("[allow duplicate names]\nbox checked=Yes\n[SWAP ARTIST/TITLE]\nCOLORDER=title\n")
        << true << false << ""
        << "";
    QTest::newRow("CRLF, BOM, junk lines, Failed, cut at 49")
        << QByteArray("\xEF\xBB\xBF[GridFont]\r\nFontName=Failed Sans\r\nFontSize=" + QByteArray(49, '9') +
                      "zz\r\n\x01\x02 junk\r\n=nokey\r\n[Allow Duplicate Names]\r\n  Box Checked =Yes\r\n"
                      "[Swap Artist/Title]\nColOrder=Title")
        << true << true << "" << QString(49, QLatin1Char('9'));
}

void SettingsTest::entryRules()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, duplicates);
    QFETCH(bool, titleFirst);
    QFETCH(QString, fontName);
    QFETCH(QString, fontSize);
    ProgramFolder folder(false);
    if (!ini.isEmpty())
        folder.writeSettings(ini);
    const Settings settings(folder.settingsPath());
    QCOMPARE(settings.exists(), !ini.isEmpty());
    QCOMPARE(settings.allowDuplicates(), duplicates);
    QCOMPARE(settings.titleFirst(), titleFirst);
    QCOMPARE(settings.fontName(), fontName);
    QCOMPARE(settings.fontSize(), fontSize);
    // Reading writes nothing, and makes no file.
    QCOMPARE(QFileInfo::exists(folder.settingsPath()), !ini.isEmpty());
    QCOMPARE(folder.readSettings(), ini);
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
    const Settings settings(path);
    QVERIFY(settings.setFont("DejaVu Sans", 10.5));
    QCOMPARE(settings.fontSize(), QStringLiteral("10.5"));
    for (const QString& odd : {QStringLiteral("Ünïcode 'q' \"d\" %PATH% $(rm -rf x) ; [x]"),
                               QStringLiteral("  padded  "), QStringLiteral("\"quoted\"")}) {
        QVERIFY(profileWrite("GridFont", "FontName", odd, path));
        QCOMPARE(settings.fontName(), odd);
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
    // Each refused entry is said once, in its own words; the column order is not said.
    QStringList said;
    const Settings settings(path, [&](const QString& message) { said << message; });
    QVERIFY(!settings.setFont("Courier", 12));
    QVERIFY(!settings.setAllowDuplicates(true));
    QVERIFY(!settings.setTitleFirst(true));
    QCOMPARE(said, (QStringList{"Error writing FontName", "OOPs an error writing INI file"}));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A file that cannot be completed (here: larger than the process may write; on a
    // user's machine, a full disk) is refused too, and the old one stays.
    {
        DiskFull full(48);
        QVERIFY(!settings.setAllowDuplicates(true));
    }
    QCOMPARE(said.size(), 3);
    // A file that may be written but not read: a write would keep only its own entry.
    {
        const WriteOnly unreadable(folder.path(), path);
        QVERIFY(!settings.setFont("Courier", 12));
    }
    QCOMPARE(said.last(), QStringLiteral("Error writing FontName"));
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
    QVERIFY(touch(target, "[GridFont]\nFontName=Arial\n"));
    QVERIFY(!profileWrite("GridFont", "FontName", "Other", path));
    QCOMPARE(contents(target), QByteArray("[GridFont]\nFontName=Arial\n"));
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
