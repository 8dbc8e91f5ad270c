#include "guisupport.h"

#include "app/totalsbar.h"
#include "browse/fieldsearch.h"
#include "scan/mountwatch.h"
#include "store/songquery.h"
#include "store/songtable.h"

#include <QCompleter>
#include <QDialog>
#include <QGroupBox>
#include <QStatusBar>

namespace {

// The shown window, with the grid's view and record set at hand.
struct Browsing : ShownWindow
{
    QTableView* view = nullptr;
    RecordSet* records = nullptr;

    explicit Browsing(const QStringList& artists = {}, const QString& sql = {}) : ShownWindow(artists, sql)
    {
        view = ShownWindow::view();
        records = window->records();
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void clickHead(int column)
    {
        QHeaderView* heads = view->horizontalHeader();
        const QPoint middle(heads->sectionViewportPosition(column) + heads->sectionSize(column) / 2,
                            heads->height() / 2);
        QTest::mouseClick(heads->viewport(), Qt::LeftButton, {}, middle);
    }
    // The grid's column 0, top to bottom, without the new row.
    QStringList column0() const
    {
        QStringList texts;
        for (int row = 0; row + 1 < view->model()->rowCount(); ++row)
            texts << view->model()->index(row, 0).data().toString();
        return texts;
    }
    QString currentArtist() const { return records->value(records->currentIndex(), Song::Artist).toString(); }
    void search(const QString& field, const QString& text, bool withEnter = false)
    {
        find<QAction>("mnusearch")->trigger();
        find<QComboBox>("cbosearch")->setCurrentText(field);
        if (withEnter) {
            // Typed from the keyboard: the opened panel has it at its text box.
            QTest::keyClicks(QApplication::focusWidget(), text);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else {
            find<QLineEdit>("txtField")->setText(text);
            click("cmdsearch");
        }
    }
    bool searchPanelOpen() { return find<QGroupBox>("Frame2")->isVisible(); }
};

} // namespace

class BrowseTest : public QObject
{
    Q_OBJECT
private slots:
    void deleteRecord_data();
    void deleteRecord();
    void addRecord();
    void clearDatabaseAsksFirst();
    void programMovesAndPlayArmed_data();
    void programMovesAndPlayArmed();
    void columnSort();
    void fieldSearch_data();
    void fieldSearch();
    void searchPanel();
    void oneMessageForOneFailure_data();
    void oneMessageForOneFailure();
    void displayOptions();
    void busyCatalogueKeepsTheEdit();
    void totalsAndSelectionByRowHeads();
    void showDuplicates();
    void queries();
};

void BrowseTest::deleteRecord_data()
{
    QTest::addColumn<QStringList>("artists");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("messages");
    const QStringList five = {"A", "B", "C", "D", "E"};
    QTest::newRow("middle") << five << 1 << QStringList{"A", "C", "D", "E"} << "C" << QStringList();
    QTest::newRow("last") << five << 4 << QStringList{"A", "B", "C", "D"} << "D" << QStringList();
    QTest::newRow("only row") << QStringList{"A"} << 0 << QStringList() << "" << QStringList();
    QTest::newRow("empty") << QStringList() << -1 << QStringList() << ""
                           << QStringList{"Delete Error Either BOF or EOF is True, or the current record "
                                          "has been deleted."};
}

void BrowseTest::deleteRecord()
{
    QFETCH(QStringList, artists);
    QFETCH(int, row);
    QFETCH(QStringList, left);
    QFETCH(QString, current);
    QFETCH(QStringList, messages);
    Browsing b(artists);
    if (row >= 0)
        QVERIFY(!b.records->moveTo(row).failed());
    b.click("cmddelete");
    QCOMPARE(b.prompter.texts(), messages);
    QCOMPARE(b.column0(), left);
    QCOMPARE(b.count(), qint64(left.size()));
    if (current.isEmpty()) {
        QCOMPARE(b.window->recordBar()->caption(), QStringLiteral("Record: 0"));
        return;
    }
    // The grid and the record set stand on the same row, so a second delete removes
    // the row the user is looking at.
    QCOMPARE(b.currentArtist(), current);
    QCOMPARE(b.view->currentIndex().row(), left.indexOf(current));
    QCOMPARE(b.window->recordBar()->caption(), QString("Record: %1").arg(left.indexOf(current) + 1));
    b.click("cmddelete");
    QVERIFY(!b.column0().contains(current));
    QCOMPARE(b.column0().size(), left.size() - 1);
}

// Add record puts the cursor in the new row's Artist cell, whichever cell was current;
// Enter in the last cell typed stores the song and opens a fresh new row.
void BrowseTest::addRecord()
{
    for (const QStringList& artists : {QStringList{"A", "B"}, QStringList()}) {
        Browsing b(artists);
        b.view->setCurrentIndex(b.view->model()->index(0, Song::TitleColumn));
        b.prompter.shown.clear();
        b.click("cmdadd");
        QVERIFY(b.prompter.shown.empty());
        // Even an empty catalogue shows its grid, with the cursor in the new row.
        QVERIFY(b.window->grid()->isVisible());
        QCOMPARE(b.view->currentIndex(), b.view->model()->index(artists.size(), Song::ArtistColumn));
        QCOMPARE(b.window->recordBar()->caption(),
                 QString("Record: %1").arg(artists.isEmpty() ? 0 : artists.size() + 1));
        QCOMPARE(QApplication::focusWidget(), b.view);
        typeInto(b.view, "Zed");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "Night");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // stores the row
        QCoreApplication::processEvents(); // the editor closes when its events have run
        QCOMPARE(b.count(), qint64(artists.size() + 1));
        QCOMPARE(b.view->currentIndex(), b.view->model()->index(artists.size() + 1, Song::ArtistColumn));
        QCOMPARE(b.column0().last(), QStringLiteral("Zed"));
        QCOMPARE(b.records->value(artists.size(), Song::Title).toString(), QStringLiteral("Night"));
        // Not yet on a CD, as a built song: stored "no" and shown "NotYet".
        QCOMPARE(b.count("SELECT ONcd IS 0 FROM adosong WHERE Artist='Zed'"), 1);
        QCOMPARE(b.view->model()->index(artists.size(), Song::OnCdColumn).data().toString(), "NotYet");
    }
}

void BrowseTest::clearDatabaseAsksFirst()
{
    Browsing b({"A", "Ba", "Bb"});
    b.search("Artist", "B");
    const RecordSource search = b.records->recordSource();
    QCOMPARE(b.column0(), (QStringList{"Ba", "Bb"}));

    b.prompter.answers = {Prompter::No};
    b.click("cmdDeleteDB");
    QCOMPARE(b.prompter.shown.size(), size_t(1));
    QCOMPARE(b.prompter.shown[0].buttons, Prompter::YesNo);
    QVERIFY2(b.prompter.shown[0].text.contains("3 songs"), qPrintable(b.prompter.shown[0].text));
    QCOMPARE(b.count(), 3);
    QCOMPARE(b.column0(), (QStringList{"Ba", "Bb"}));
    QVERIFY(b.window->grid()->isVisible());

    b.prompter.answers = {Prompter::Yes};
    b.click("cmdDeleteDB");
    b.waitForJob();
    QCOMPARE(b.prompter.shown.size(), size_t(2));
    QCOMPARE(b.count(), 0);
    QVERIFY(!b.window->grid()->isVisible());
    QCOMPARE(b.window->recordBar()->caption(), QStringLiteral("Record: 0"));
    QCOMPARE(b.records->recordSource(), search);
    QVERIFY(b.searchPanelOpen());
}

// None of the songs' discs is in. A move of the program's own asks for none of them: a
// move to the first or the last row, a delete or an add clears PlayArmed before the grid
// reacts, and exactly one cell change follows it; a refresh, a sort or a search changes no
// cell at all. The bar's next row is the user's move and asks for its disc.
void BrowseTest::programMovesAndPlayArmed_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("prompts");
    QTest::newRow("first") << "first" << 0;
    QTest::newRow("last") << "last" << 0;
    QTest::newRow("next plays") << "next" << 1;
    QTest::newRow("delete") << "delete" << 0;
    QTest::newRow("delete last row") << "delete last" << 0;
    QTest::newRow("add") << "add" << 0;
    QTest::newRow("refresh") << "refresh" << 0;
    QTest::newRow("sort") << "sort" << 0;
    QTest::newRow("search and done") << "search" << 0;
    // Moves nobody asked for: the focus coming back with no current cell, a refresh after a
    // disc went while a search is shown, leaving the duplicates, a disc renamed or mounted.
    QTest::newRow("focus back, no current cell") << "focus back" << 0;
    QTest::newRow("disc removed during a search") << "remove during search" << 0;
    QTest::newRow("duplicates left") << "duplicates" << 0;
    QTest::newRow("disc renamed, window closed") << "rename" << 0;
    QTest::newRow("a disc mounted") << "mount" << 0;
}

void BrowseTest::programMovesAndPlayArmed()
{
    QFETCH(QString, action);
    QFETCH(int, prompts);
    Browsing b({"A", "B", "C", "D"}, "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) VALUES "
                                     "('B','B again',0,'DISC3','Rock','/media/disc3/Rock/')");
    b.view->setFocus();
    QVERIFY(!b.records->moveTo(action == "delete last" ? 3 : 1).failed());
    RecordBar* bar = b.window->recordBar();
    const auto discsWindow = [&]() -> QDialog* {
        QTest::keyClick(b.window.get(), Qt::Key_D, Qt::ControlModifier);
        auto* discs = b.window->findChild<QDialog*>("frmdiscs");
        const bool counted = QTest::qWaitFor(
            [&] { return discs->findChild<QTableView*>("lstdiscs")->model()->rowCount() == 2; });
        return counted ? discs : nullptr;
    };
    if (action == "first")
        QTest::mouseClick(bar->firstButton(), Qt::LeftButton);
    else if (action == "last")
        QTest::mouseClick(bar->lastButton(), Qt::LeftButton);
    else if (action == "next")
        QTest::mouseClick(bar->nextButton(), Qt::LeftButton);
    else if (action.startsWith("delete"))
        b.click("cmddelete");
    else if (action == "add")
        b.click("cmdadd");
    else if (action == "refresh")
        b.click("cmdrefresh");
    else if (action == "sort")
        b.clickHead(3);
    else if (action == "search") {
        b.search("Artist", "B");
        b.click("cmdOK2");
    } else if (action == "focus back") {
        b.view->selectionModel()->clearCurrentIndex();
        b.find<QLineEdit>("txtDrive")->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else if (action == "remove during search") {
        b.search("Artist", "B");
        b.view->setFocus();
        QDialog* discs = discsWindow();
        auto* list = discs->findChild<QTableView*>("lstdiscs");
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        b.prompter.answers = {Prompter::Yes};
        discs->findChild<QPushButton*>("cmdremovedisc")->click();
        b.waitForJob();
        QCOMPARE(b.prompter.shown.back().owner, discs); // asked over the Discs window
        QCOMPARE(QApplication::focusWidget(), list);    // whose list has the keys again
        discs->reject();
        QApplication::setActiveWindow(b.window.get());
        b.prompter.shown.clear();
    } else if (action == "duplicates") {
        b.find<QAction>("mnushowdupes")->trigger();
        b.waitForJob();
        b.find<QAction>("mnushowdupes")->trigger();
    } else if (action == "rename") {
        QDialog* discs = discsWindow();
        b.prompter.text = "ROCK2";
        QTest::keyClick(discs->findChild<QTableView*>("lstdiscs"), Qt::Key_F2);
        b.waitForJob();
        QCOMPARE(b.prompter.textOwners, QList<QWidget*>{discs}); // the questions were the Discs window's
        QCOMPARE(QApplication::activeWindow(), discs);
        QCOMPARE(QApplication::focusWidget(), discs->findChild<QTableView*>("lstdiscs"));
        QTest::keyClick(discs->findChild<QTableView*>("lstdiscs"), Qt::Key_Escape);
        QApplication::setActiveWindow(b.window.get());
    } else if (action == "mount") {
        emit b.window->mountWatch()->changed();
    }
    QVERIFY2(int(b.prompter.shown.size()) == prompts, qPrintable(b.prompter.texts().join('\n')));
    QCOMPARE(b.prompter.texts().filter("Insert CD ROCK1 In ").size(), prompts);
    // The keys still go where the user was.
    if (QStringList{"focus back", "remove during search", "duplicates", "rename", "mount"}.contains(action))
        QCOMPARE(QApplication::focusWidget(), b.view);
    // The next cell the user picks plays; while its disc is asked for, the song asked about
    // is the one highlighted, not the one clicked before.
    QVERIFY(b.window->songPlayer()->isArmed());
    QModelIndexList highlighted;
    b.prompter.beforeAnswer = [&](const QString&) {
        highlighted = b.view->selectionModel()->selectedIndexes();
    };
    const QModelIndex picked =
        b.view->model()->index(qMin(2, b.view->model()->rowCount() - 2), Song::TitleColumn);
    QTest::mouseClick(b.view->viewport(), Qt::LeftButton, {}, b.view->visualRect(picked).center());
    QCOMPARE(highlighted, QModelIndexList{picked});
}

void BrowseTest::columnSort()
{
    Browsing b({}, "INSERT INTO adosong (Artist,Title,Playtime,ONcd,MP3cd,Category,FullPath) VALUES "
                   "('Cora','Alpha','3',1,'DISC2','Jazz','/a/'),('alba','Crow','1',0,'DISC3','Blues','/c/'),"
                   "('Bert','bravo','2',0,'DISC1','Rock','/b/')");
    const QStringList byArtist = {"alba", "Bert", "Cora"};
    // Column heads in grid order, and what each sorts the first column into. ONcd and
    // FullPath give the default order, and so show their arrow on the Artist head.
    const QList<QStringList> orders = {byArtist, {"Cora", "Bert", "alba"}, byArtist, {"Bert", "Cora", "alba"},
                                       byArtist, {"alba", "Cora", "Bert"}, byArtist};
    const QList<int> arrows = {0, 1, 2, 3, 0, 5, 0};
    QHeaderView* heads = b.view->horizontalHeader();
    QCOMPARE(heads->sortIndicatorSection(), 0);
    // Swapped captions change no order; the search panel stays open while a sort
    // drops the search in force.
    b.search("Category", "o");
    QCOMPARE(b.column0(), QStringList{"Bert"});
    for (bool swapped : {false, true}) {
        if (swapped)
            b.find<QAction>("mnuswap")->trigger();
        for (int column = 0; column < 7; ++column) {
            for (int twice = 0; twice < 2; ++twice) {
                b.clickHead(column);
                QCOMPARE(b.column0(), orders[column]);
                QCOMPARE(heads->sortIndicatorSection(), arrows[column]);
                QCOMPARE(heads->sortIndicatorOrder(), Qt::AscendingOrder);
            }
        }
    }
    QVERIFY(b.searchPanelOpen());
    QVERIFY(b.prompter.shown.empty());

    // An empty catalogue sorts silently.
    b.prompter.answers = {Prompter::Yes};
    b.click("cmdDeleteDB");
    b.waitForJob();
    b.clickHead(1);
    QCOMPARE(b.prompter.shown.size(), size_t(1));
    QCOMPARE(b.records->recordCount(), 0);
}

void BrowseTest::fieldSearch_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withEnter");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("anywhere, any case, by artist")
        << "Artist"
        << "ab" << false << QStringList{"Abba", "Cabaret Voltaire"};
    QTest::newRow("apostrophe") << "Artist"
                                << "O'Brien" << false << QStringList{"O'Brien"};
    QTest::newRow("% and _ are wildcards") << "Artist"
                                           << "0%_u" << false << QStringList{"100% Pure"};
    QTest::newRow("quote, -- and ; are text") << "Title"
                                              << "\"a\"; --" << false << QStringList{"Under_score"};
    QTest::newRow("category") << "Category"
                              << "jaz" << false << QStringList{"Bob", "O'Brien"};
    QTest::newRow("no match") << "Title"
                              << "') OR 1=1 --" << true << QStringList();
}

void BrowseTest::fieldSearch()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, withEnter);
    QFETCH(QStringList, found);
    Browsing b({},
               "INSERT INTO adosong (Artist,Title,Category) VALUES ('O''Brien','Rain','Jazz'),"
               "('Abba','Waterloo','Pop'),('Cabaret Voltaire','Nag','Electro'),('100% Pure','Love','Pop'),"
               "('Under_score','Say \"a\"; -- ok','Rock'),('Bob','Hymn','Jazz')");
    b.search(field, text, withEnter);
    if (!found.isEmpty()) {
        QCOMPARE(b.column0(), found);
        QVERIFY(b.prompter.shown.empty());
        QVERIFY(b.searchPanelOpen());
        QCOMPARE(b.find<QLineEdit>("txtField")->text(), text);
        return;
    }
    // Nothing found: said once, the panel closed and reset, the whole catalogue shown.
    QCOMPARE(b.prompter.texts(), QStringList{" No selections found"});
    QVERIFY(!b.searchPanelOpen());
    QVERIFY(!b.find<QGroupBox>("frafind")->isVisible());
    QCOMPARE(b.find<QLineEdit>("txtField")->text(), QString());
    QCOMPARE(b.find<QComboBox>("cbosearch")->currentText(), QStringLiteral("Artist"));
    QCOMPARE(b.records->recordSource(), RecordSource::defaultSource());
    QCOMPARE(b.column0().size(), 6);
}

// The panel stands in for the drive panel; Done gives the place back with the whole
// catalogue, the field and the text as they started. Only the offered fields are searched.
void BrowseTest::searchPanel()
{
    Browsing b({"Abba", "Bob"});
    auto* field = b.find<QComboBox>("cbosearch");
    auto* text = b.find<QLineEdit>("txtField");
    b.search("Title", "bob");
    QVERIFY(!b.find<QGroupBox>("frafind")->isVisible());
    QCOMPARE(b.column0(), QStringList{"Bob"});
    field->activated(1); // picking a field moves on to the text
    QCOMPARE(QApplication::focusWidget(), text);
    b.click("cmdOK2");
    QVERIFY(!b.searchPanelOpen() && b.find<QGroupBox>("frafind")->isVisible());
    QCOMPARE(text->text(), QString());
    QCOMPARE(field->currentText(), QStringLiteral("Artist"));
    QCOMPARE(b.column0(), (QStringList{"Abba", "Bob"}));
    b.search("Artist", ""); // an empty text searches nothing
    QCOMPARE(b.records->recordSource(), RecordSource::defaultSource());
    RecordSource source;
    QVERIFY(FieldSearch::sourceFor("Artist; DROP TABLE adosong", "x", &source).failed());
    QVERIFY(FieldSearch::sourceFor("FullPath", "x", &source).failed());
    QVERIFY(b.prompter.shown.empty());
}

// A command whose call fails shows its own message once; the data control's error box,
// which is for edits made in the grid, does not come with it.
void BrowseTest::oneMessageForOneFailure_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    const QString gone = "no such table: adosong";
    QTest::newRow("refresh") << "refresh" << gone;
    QTest::newRow("sort") << "sort" << gone;
    QTest::newRow("delete") << "delete"
                            << "Delete Error " + gone;
    QTest::newRow("clear") << "clear"
                           << "Delete error " + gone;
    QTest::newRow("search") << "search" << gone;
    QTest::newRow("font change") << "font" << gone;
}

void BrowseTest::oneMessageForOneFailure()
{
    QFETCH(QString, action);
    QFETCH(QString, message);
    Browsing b({"Abba", "Bob", "Cora"});
    b.search("Artist", "b");
    const RecordSource before = b.records->recordSource();
    b.run("DROP TABLE adosong");
    if (action == "refresh")
        b.click("cmdrefresh");
    else if (action == "sort")
        b.clickHead(1);
    else if (action == "delete")
        b.click("cmddelete");
    else if (action == "clear") {
        b.click("cmdDeleteDB");
        b.waitForJob();
    } else if (action == "search")
        b.search("Title", "o");
    else if (action == "font") {
        b.prompter.font = QFont("DejaVu Sans", 11);
        b.find<QAction>("mnufont")->trigger();
    }
    QCOMPARE(b.prompter.texts(), QStringList{message});
    if (action.contains("search") || action == "sort") {
        // What was shown stays shown: the panel, its text and the rows.
        QCOMPARE(b.records->recordSource(), before);
        QVERIFY(b.searchPanelOpen());
        QCOMPARE(b.records->recordCount(), 2);
        QCOMPARE(b.find<QLineEdit>("txtField")->text().size(), 1);
    }
}

void BrowseTest::displayOptions()
{
    Browsing b({"Abba"});
    b.find<QAction>("mnuswap")->trigger();
    QCOMPARE(b.window->grid()->columnCaption(0), QStringLiteral("Title"));
    QCOMPARE(b.window->grid()->columnCaption(1), QStringLiteral("Artist"));
    b.find<QAction>("mnudupes")->trigger();
    QVERIFY(b.prompter.shown.empty());
    QCOMPARE(b.readSettings(), QByteArray("[Allow Duplicate Names]\nBox Checked=Yes\n[GridFont]\nFontName=\n"
                                          "FontSize=\n[Swap Artist/Title]\nColOrder=Title\n"));
    // The next start shows what was stored, the artist still in the first column.
    b.restart();
    QCOMPARE(b.window->grid()->columnCaption(0), QStringLiteral("Title"));
    QCOMPARE(b.window->grid()->model()->index(0, 0).data().toString(), QStringLiteral("Abba"));
    QVERIFY(b.find<QAction>("mnudupes")->isChecked());

    // A settings file that cannot be written: only the duplicates entry says so, and both
    // changes hold for this run.
    QVERIFY(QFile::setPermissions(b.settingsPath(), QFileDevice::ReadOwner));
    const QByteArray stored = b.readSettings();
    b.find<QAction>("mnudupes")->trigger();
    QVERIFY(!b.find<QAction>("mnudupes")->isChecked());
    b.find<QAction>("mnuswap")->trigger();
    QCOMPARE(b.window->grid()->columnCaption(0), QStringLiteral("Artist"));
    QCOMPARE(b.prompter.texts(), QStringList{"OOPs an error writing INI file"});
    QCOMPARE(b.readSettings(), stored);
}

// Another program writing to the catalogue: an edit that cannot wait its turn stays in its
// cell with the reason, and is stored when it is made again.
void BrowseTest::busyCatalogueKeepsTheEdit()
{
    Browsing b({"Abba", "Bob"});
    Database other;
    QVERIFY(!other.open(b.databasePath()).failed());
    QVERIFY(!other.execute("BEGIN IMMEDIATE").failed());
    QAbstractItemModel* model = b.view->model();
    QVERIFY(!model->setData(model->index(0, 1), "Waterloo"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Waterloo"));
    QCOMPARE(b.prompter.shown.size(), size_t(1));
    QVERIFY2(b.prompter.shown[0].text.startsWith("The catalogue is busy"),
             qPrintable(b.prompter.shown[0].text));
    QVERIFY(!other.execute("ROLLBACK").failed());
    QVERIFY(model->setData(model->index(0, 1), model->index(0, 1).data()));
    b.click("cmdrefresh");
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Waterloo"));
}

// The status bar counts the rows shown (and those selected by their heads) with their play
// times, after every change; a row head selects without playing, and Delete takes the
// selected rows together after one question.
void BrowseTest::totalsAndSelectionByRowHeads()
{
    Browsing b({"Abba", "Bjork", "Cher", "Dido"},
               "UPDATE adosong SET Playtime='00:03:30' WHERE Artist IN ('Abba','Cher');"
               "UPDATE adosong SET Playtime='01:00:00' WHERE Artist='Dido'");
    auto* totals = b.window->findChild<TotalsBar*>("lbltotals");
    QTRY_COMPARE(totals->text(), QString("4 songs · 1:07:00 · 1 without a play time"));
    b.search("Artist", "i");
    QTRY_COMPARE(totals->text(), QString("1 song · 1:00:00"));
    b.click("cmdOK2");
    QTRY_COMPARE(totals->text(), QString("4 songs · 1:07:00 · 1 without a play time"));
    QVERIFY(b.view->model()->setData(b.view->model()->index(1, Song::PlaytimeColumn), "2:00"));
    QTRY_COMPARE(totals->text(), QString("4 songs · 1:09:00"));

    // Rows 1 and 3 by their heads, Ctrl for the second: nothing plays, the cell stays.
    const int current = b.view->currentIndex().row();
    QHeaderView* heads = b.view->verticalHeader();
    const auto clickHead = [&](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(heads->viewport(), Qt::LeftButton, modifiers,
                          QPoint(heads->width() / 2, heads->sectionViewportPosition(row) + 2));
    };
    clickHead(1, {});
    clickHead(3, Qt::ControlModifier);
    QCOMPARE(b.window->grid()->selectedRows(), (std::vector<qint64>{1, 3}));
    QCOMPARE(b.view->currentIndex().row(), current);
    QTRY_COMPARE(totals->text(), QString("Selected: 2 songs · 1:02:00   —   Shown: 4 songs · 1:09:00"));
    clickHead(0, Qt::ShiftModifier);
    QCOMPARE(b.window->grid()->selectedRows(), (std::vector<qint64>{0, 1, 2, 3}));
    clickHead(1, {});
    clickHead(2, Qt::ShiftModifier);
    QVERIFY(b.prompter.shown.empty()); // no song was looked for

    b.prompter.answers = {Prompter::No};
    b.click("cmddelete");
    QCOMPARE(b.prompter.texts(), QStringList{"Delete the 2 selected songs?"});
    QCOMPARE(b.records->recordCount(), 4);
    b.prompter.answers = {Prompter::Yes};
    b.click("cmddelete");
    b.waitForJob();
    QCOMPARE(b.column0(), (QStringList{"Abba", "Dido"}));
    QCOMPARE(b.rows("SELECT Artist FROM adosong ORDER BY Artist"), (QStringList{"Abba", "Dido"}));
    QTRY_COMPARE(totals->text(), QString("2 songs · 1:03:30"));
}

// The same song on several discs, however its names are spelt; its rows together, the other
// discs said for the current one; Refresh, export and a column head as for a search result.
void BrowseTest::showDuplicates()
{
    Browsing b({}, "INSERT INTO adosong (Artist,Title,MP3cd,ONcd) VALUES "
                   "('Björk','Jóga','ROCK1',0),(' BJORK','joga ','POP2',0),('bjork','Joga','JAZZ3',0),"
                   "('Kestrel','Harbour','ROCK1',0),('Kestrel','Harbour ****1','ROCK1',0),"
                   "('Κάτι','Τίτλος','ROCK1',0),('ΚΑΤΙ','τιτλος','POP2',0),('Solo','Song','ROCK1',0)");
    b.find<QAction>("mnushowdupes")->trigger();
    b.waitForJob();
    QVERIFY(b.find<QAction>("mnushowdupes")->isChecked());
    QCOMPARE(b.rows("SELECT 1").size(), 1);
    const auto shown = [&b] {
        QStringList rows;
        for (qint64 i = 0; i < b.records->recordCount(); ++i)
            rows << b.records->value(i, Song::Artist).toString() + "/" +
                        b.records->value(i, Song::MP3cd).toString();
        return rows;
    };
    QCOMPARE(shown(), (QStringList{"bjork/JAZZ3", " BJORK/POP2", "Björk/ROCK1", "ΚΑΤΙ/POP2", "Κάτι/ROCK1"}));
    b.records->moveTo(1);
    QCOMPARE(b.find<QLabel>("lblalsoon")->text(), QString("Also on: JAZZ3, ROCK1"));

    // Refresh keeps the view; the numbered duplicate of one disc joins with the option.
    b.click("cmdrefresh");
    b.waitForJob();
    QCOMPARE(shown().size(), 5);
    b.find<QAction>("mnudupesonedisc")->trigger();
    b.waitForJob();
    QVERIFY(b.readSettings().contains("Box Checked=Yes"));
    QCOMPARE(shown().size(), 7);
    b.records->moveTo(shown().indexOf("Kestrel/ROCK1"));
    QCOMPARE(b.find<QLabel>("lblalsoon")->text(), QString("Twice on ROCK1"));
    // Export writes the rows as shown.
    b.prompter.fileToWrite = b.path() + "/dupes.csv";
    b.find<QAction>("mnuexport")->trigger();
    b.waitForJob();
    QCOMPARE(QString::fromUtf8(contents(b.prompter.fileToWrite)).count("\r\n"), 8);
    // A column head sorts the duplicates, the rows of a song together; unchecking brings back
    // the default view.
    b.clickHead(Song::MP3cdColumn);
    b.waitForJob();
    QVERIFY(b.find<QAction>("mnushowdupes")->isChecked());
    QCOMPARE(shown(), (QStringList{"bjork/JAZZ3", " BJORK/POP2", "Björk/ROCK1", "ΚΑΤΙ/POP2", "Κάτι/ROCK1",
                                   "Kestrel/ROCK1", "Kestrel/ROCK1"}));
    b.clickHead(Song::TitleColumn);
    b.waitForJob();
    QCOMPARE(shown().mid(0, 2), (QStringList{"Kestrel/ROCK1", "Kestrel/ROCK1"}));
    QCOMPARE(b.view->horizontalHeader()->sortIndicatorSection(), int(Song::TitleColumn));
    b.find<QAction>("mnushowdupes")->trigger();
    QCOMPARE(b.records->recordSource(), RecordSource::defaultSource());
    QCOMPARE(b.records->recordCount(), 8);
}

// "Query" in the search panel: a query runs on Enter, one that cannot be read changes nothing
// and says where in the status bar, and the last ones run are offered after a restart.
void BrowseTest::queries()
{
    Browsing b(
        {},
        "INSERT INTO adosong (Artist,Title,Playtime,ONcd,MP3cd,Category) VALUES "
        "('Kestrel','Harbour','00:06:00',0,'ROCK1','Rock'),('Kestrel','Live','00:02:00',0,'ROCK1','Rock'),"
        "('Björk','Jóga','00:05:00',1,'POP2','Pop')");
    b.find<QAction>("mnusearch")->trigger();
    auto* fields = b.find<QComboBox>("cbosearch");
    QCOMPARE(fields->itemText(3), QString("Query"));
    fields->setCurrentText("Query");
    auto* text = b.find<QLineEdit>("txtField");
    QVERIFY(text->toolTip().contains("time>5:00"));
    text->setFocus();
    QTest::keyClicks(text, "time>5:00 -bjork");
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(b.column0(), QStringList{"Kestrel"});
    QCOMPARE(b.records->recordSource().kind, RecordSource::Kind::Query);
    // A query that cannot be read: said where, and the rows stay.
    text->clear();
    QTest::keyClicks(text, "kestrel time<");
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(b.window->statusBar()->currentMessage(),
             QString("Query: expected a time after 'time<' at column 14"));
    QCOMPARE(b.column0(), QStringList{"Kestrel"});
    QVERIFY(b.prompter.shown.empty());
    QCOMPARE(QApplication::focusWidget(), text);
    // Help → Queries says the language.
    b.find<QAction>("mnuqueries")->trigger();
    QCOMPARE(b.prompter.texts(), QStringList{SongQuery::help()});

    b.restart();
    b.find<QAction>("mnusearch")->trigger();
    b.find<QComboBox>("cbosearch")->setCurrentText("Query");
    QCompleter* recent = b.find<QLineEdit>("txtField")->completer();
    QVERIFY(recent);
    QCOMPARE(recent->model()->index(0, 0).data().toString(), QString("time>5:00 -bjork"));
    QCOMPARE(recent->model()->rowCount(), 1); // the query that could not be read is not kept
}

QTEST_MAIN(BrowseTest)
#include "test_browse.moc"
