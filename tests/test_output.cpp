#include "guisupport.h"

#include "output/gridfont.h"
#include "settings/profile.h"

#include <QDialog>
#include <QFontDialog>
#include <QProcess>
#include <QRegularExpression>

namespace {

// The shown window, and a folder for what it prints.
struct Desk : ShownWindow
{
    using ShownWindow::ShownWindow;
    QTemporaryDir out;
    QString pdf() const { return out.path() + "/listing.pdf"; }
    // "Print  it" into the PDF file; the pages as pdftotext reads them back.
    QStringList print()
    {
        QFile::remove(pdf());
        prompter.pdfFile = pdf();
        find<QPushButton>("cmdprint")->click();
        waitForJob();
        if (!QFileInfo::exists(pdf()))
            return {};
        QProcess text;
        text.start("pdftotext", {"-layout", pdf(), "-"});
        if (!text.waitForFinished(60000))
            return {};
        QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split('\f');
        if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }
};

// The printed rows of a page: the lines below the heading.
QStringList rowsOf(const QString& page)
{
    QStringList lines = page.split('\n', Qt::SkipEmptyParts);
    const qsizetype heading =
        lines.indexOf(QRegularExpression("^\\s*Artist\\s+Title\\s+ONcd\\s+MP3cd\\s+Category\\s*$"));
    return heading < 0 ? QStringList() : lines.mid(heading + 1);
}

QString firstWordOf(const QString& line)
{
    return line.trimmed().section(QRegularExpression("\\s{2,}"), 0, 0);
}

} // namespace

class OutputTest : public QObject
{
    Q_OBJECT
private slots:
    void listingPagesAndColumns();
    void listingFollowsTheGrid();
    void fontDecidesRowsAPage();
    void nothingPrinted_data();
    void nothingPrinted();
    void gridFont();
    void aboutBox();
};

void OutputTest::listingPagesAndColumns()
{
    const QString longCategory = "A Category Name Of Fifty Characters Or So, Whole!!";
    Desk d({},
           QString("INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category) VALUES ('%1','%2',0,'%3','%4'),"
                   "('Bert','Yes song',1,'D','C'),('Cora','Empty mark',NULL,'D','C');")
                   .arg(QString(45, 'i'), QString(45, 'l'), QString(17, 'i') + "jklm", longCategory) +
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 150) "
               "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category) "
               "SELECT printf('Row %03d', i), 'T', 0, 'D', 'C' FROM n");
    QStringList pages = d.print();
    QVERIFY(pages.size() >= 2);
    QVERIFY2(pages[0].contains(QRegularExpression("^\\s+page +1\\s*\\n")), qPrintable(pages[0].left(200)));
    QVERIFY(pages[1].contains(QRegularExpression("^\\s+Page +2\\s*\\n")));
    const QStringList first = rowsOf(pages[0]);
    const int perPage = int(first.size());
    QVERIFY(perPage > 10 && 2 * perPage <= 153);
    // Every page has its heading; cuts at 40, 40 and 19; the category whole.
    for (const QString& page : pages)
        QVERIFY(!rowsOf(page).isEmpty() || page.contains("Category"));
    QCOMPARE(first[0].simplified(), "Bert Yes song Yes D C");
    QCOMPARE(first[1].simplified(), "Cora Empty mark Yes D C");
    QCOMPARE(first[2].simplified(),
             QString("%1 %2 NotYet %3jk %4")
                 .arg(QString(40, 'i'), QString(40, 'l'), QString(17, 'i'), longCategory));
    // Two full pages of rows end with a page that holds only its page line and heading.
    d.run(QString("DELETE FROM adosong WHERE rowid IN (SELECT rowid FROM adosong ORDER BY Artist DESC "
                  "LIMIT %1)")
              .arg(153 - 2 * perPage));
    d.find<QPushButton>("cmdrefresh")->click();
    pages = d.print();
    QCOMPARE(pages.size(), 3);
    QCOMPARE(rowsOf(pages[1]).size(), perPage);
    QVERIFY(pages[2].contains(QRegularExpression("^\\s+Page +3\\s*\\n")));
    QCOMPARE(rowsOf(pages[2]), QStringList());
    // The listing is read apart from the grid: its current row stays where it was, and no
    // song was asked for on the way.
    QCOMPARE(d.window->records()->absolutePosition(), 1);
    QCOMPARE(d.window->recordBar()->caption(), QString("Record: 1"));
    QVERIFY(d.prompter.shown.empty());
}

void OutputTest::listingFollowsTheGrid()
{
    Desk d({}, "INSERT INTO adosong (Artist,Title,Category) VALUES ('Cora','Alpha','Jazz'),"
               "('Abba','Waterloo','Pop'),('Bob','Hymn','Jazz')");
    auto printedArtists = [&] {
        QStringList artists;
        for (const QString& row : rowsOf(d.print().value(0)))
            artists << firstWordOf(row);
        return artists;
    };
    QCOMPARE(printedArtists(), (QStringList{"Abba", "Bob", "Cora"}));
    // Sorted by title; then only the rows of a search.
    QVERIFY(!d.window->records()->requery(RecordSource::sorted({"Title", "Artist"})).failed());
    QCOMPARE(printedArtists(), (QStringList{"Cora", "Bob", "Abba"}));
    QVERIFY(!d.window->records()->requery(RecordSource::search("Category", "jazz")).failed());
    QCOMPARE(printedArtists(), (QStringList{"Bob", "Cora"}));
}

// Whether every word of the PDF lies on its page, as pdftotext places them.
bool everyWordOnItsPage(const QString& pdf)
{
    QProcess boxes;
    boxes.start("pdftotext", {"-bbox", pdf, "-"});
    if (!boxes.waitForFinished(60000))
        return false;
    const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
    static const QRegularExpression page("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
    static const QRegularExpression word("xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\"");
    const QRegularExpressionMatch size = page.match(html);
    if (!size.hasMatch())
        return false;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch w = it.next();
        if (w.captured(1).toDouble() > size.captured(1).toDouble() + 0.5 ||
            w.captured(2).toDouble() > size.captured(2).toDouble() + 0.5) {
            qWarning("off the page: %s", qPrintable(w.captured(0)));
            return false;
        }
    }
    return true;
}

// A larger font gives fewer rows a page; at any size the font dialog offers nothing is
// printed off the page, and nothing is cut: what does not fit goes on the next line or page.
void OutputTest::fontDecidesRowsAPage()
{
    Desk d({}, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 60) "
               "INSERT INTO adosong (Artist,Title,ONcd) SELECT printf('Row %03d', i), 'T', 0 FROM n");
    const qsizetype small = rowsOf(d.print().value(0)).size();
    QFont font = d.window->grid()->gridFont();
    font.setPointSizeF(10.5);
    d.window->grid()->setGridFont(font);
    const qsizetype large = rowsOf(d.print().value(0)).size();
    QVERIFY2(large < small && large > 0, qPrintable(QString("%1 %2").arg(small).arg(large)));
    d.run("DELETE FROM adosong WHERE Artist > 'Row 003'");
    d.find<QPushButton>("cmdrefresh")->click();
    d.run("UPDATE adosong SET Category='A Category Name Of Fifty Characters Or So, Whole!!'");
    d.find<QPushButton>("cmdrefresh")->click();
    for (const auto& [family, size] : {std::pair{"DejaVu Serif", 12}, std::pair{"DejaVu Sans", 72}}) {
        font.setFamily(family);
        font.setPointSizeF(size);
        d.window->grid()->setGridFont(font);
        const QString text = d.print().join(' ').simplified();
        QVERIFY2(everyWordOnItsPage(d.pdf()), family);
        for (const char* whole : {"Row 001", "Row 003", "Category", "NotYet"})
            QVERIFY2(text.contains(whole), qPrintable(text.left(300)));
        if (size == 12)
            QVERIFY(text.contains("A Category Name Of Fifty Characters Or So, Whole!!"));
    }
}

void OutputTest::nothingPrinted_data()
{
    QTest::addColumn<QString>("why");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancel") << "cancel" << QStringList();
    QTest::newRow("empty catalogue") << "empty" << QStringList();
    QTest::newRow("file that cannot be written")
        << "unwritable" << QStringList{"The listing was not printed"};
    QTest::newRow("read-only file of the user's")
        << "read-only" << QStringList{"The listing was not printed"};
    // Over a listing printed before, which stays as it was.
    QTest::newRow("stopped over an older listing") << "stopped" << QStringList();
    QTest::newRow("disk full over an older listing") << "full" << QStringList{"The listing was not printed"};
}

void OutputTest::nothingPrinted()
{
    QFETCH(QString, why);
    QFETCH(QStringList, messages);
    QStringList artists;
    for (int i = 0; i < (why == "empty" ? 0 : why == "stopped" ? 2000 : 2); ++i)
        artists << QStringLiteral("Artist %1").arg(i);
    Desk d(artists);
    d.prompter.pdfFile = why == "cancel"       ? QString()
                         : why == "unwritable" ? d.out.path() + "/no such folder/listing.pdf"
                                               : d.pdf();
    // A file that was there and must not be written, or was not written whole, is left as it was.
    const bool kept = why == "read-only" || why == "stopped" || why == "full";
    if (kept)
        QVERIFY(touch(d.pdf(), "keep"));
    if (why == "read-only")
        QVERIFY(QFile::setPermissions(d.pdf(), QFileDevice::ReadOwner));
    {
        std::optional<DiskFull> full;
        if (why == "full")
            full.emplace(2000);
        d.find<QPushButton>("cmdprint")->click();
        if (why == "stopped") // at once: long before the first of many pages is done
            QTest::mouseClick(d.find<QDialog>("printProgress")->findChild<QPushButton*>("cancelJob"),
                              Qt::LeftButton);
        d.waitForJob();
    }
    QCOMPARE(d.prompter.printDialogs, 1);
    QStringList shown = d.prompter.texts();
    for (QString& text : shown)
        text = text.section(':', 0, 0);
    QCOMPARE(shown, messages);
    if (why == "empty")
        QVERIFY(!QFileInfo::exists(d.prompter.pdfFile));
    if (kept) {
        QCOMPARE(contents(d.pdf()), QByteArray("keep"));
        QCOMPARE(QDir(d.out.path()).entryList(QDir::Files), QStringList{"listing.pdf"});
    }
}

void OutputTest::gridFont()
{
    Desk d({"Abba"});
    QAction* font = d.find<QAction>("mnufont");
    // Nothing stored: the dialog starts on Comic Sans MS at 8. Cancel changes nothing.
    const QFont before = d.window->grid()->gridFont();
    const QByteArray stored = d.readSettings();
    font->trigger();
    QCOMPARE(d.prompter.fontPresets.back().family(), QFont("Comic Sans MS").family());
    QCOMPARE(d.prompter.fontPresets.back().pointSizeF(), 8.0);
    // The dialog starts on the upright style the grid shows.
    for (const QString& family : {QString("DejaVu Sans"), QString("DejaVu Serif")}) {
        QFontDialog dialog;
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        dialog.setCurrentFont(GridFont::dialogPreset(family, "10"));
        QCOMPARE(dialog.currentFont().style(), QFont::StyleNormal);
        QCOMPARE(dialog.currentFont().weight(), QFont::Normal);
    }
    QCOMPARE(d.window->grid()->gridFont(), before);
    QCOMPARE(d.readSettings(), stored);

    // A chosen font is shown at once, stored, and offered next time.
    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(13.5);
    chosen.setBold(true);
    d.prompter.font = chosen;
    font->trigger();
    QCOMPARE(d.window->grid()->gridFont().family(), chosen.family());
    QCOMPARE(d.window->grid()->gridFont().pointSizeF(), 13.5);
    QVERIFY(!d.window->grid()->gridFont().bold());
    QVERIFY(d.window->grid()->view()->rowHeight(0) >= QFontMetrics(chosen).height());
    QCOMPARE(profileRead("GridFont", "FontName", "", 50, d.settingsPath()), chosen.family());
    QCOMPARE(profileRead("GridFont", "FontSize", "", 50, d.settingsPath()), "13.5");
    d.prompter.font.reset();
    font->trigger();
    QCOMPARE(d.prompter.fontPresets.back().pointSizeF(), 13.5);
}

void OutputTest::aboutBox()
{
    Desk d;
    QAction* about = d.find<QAction>("mnuabout");
    about->trigger();
    about->trigger();
    const QList<QDialog*> boxes = d.window->findChildren<QDialog*>("frmAbout");
    QCOMPARE(boxes.size(), 1);
    QDialog* box = boxes[0];
    QVERIFY(box->isVisible());

    // System Info starts the first known program on PATH, or says there is none.
    QTemporaryDir bin;
    const QString marker = bin.path() + "/started";
    const QString tool = bin.path() + "/kinfocenter";
    QVERIFY(touch(tool, QString("#!/bin/sh\necho \"$#\" > '%1'\n").arg(marker).toUtf8()));
    QVERIFY(QFile::setPermissions(tool, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    auto* sysInfo = box->findChild<QPushButton*>("cmdSysInfo");
    sysInfo->click();
    QTRY_VERIFY(QFileInfo::exists(marker));
    QVERIFY(QFile::remove(tool));
    sysInfo->click();
    qputenv("PATH", path);
    QCOMPARE(d.prompter.texts(), QStringList{"System Information Is Unavailable At This Time"});

    box->findChild<QPushButton*>("cmdOK")->click();
    QTRY_COMPARE(d.window->findChildren<QDialog*>("frmAbout").size(), 0);
}

QTEST_MAIN(OutputTest)
#include "test_output.moc"
