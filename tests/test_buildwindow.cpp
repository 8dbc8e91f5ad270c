#include "guisupport.h"

#include "scan/mountwatch.h"

#include "app/discswindow.h"
#include "app/progresswindow.h"

#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>

#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace {

// A window on a temporary program folder, with four drives that are temporary folders:
// the start-up drive, a labelled disc, a disc without a label and one that is not ready.
struct Desk
{
    ProgramFolder program;
    QTemporaryDir home, rock, blank, gone;
    ScriptedPrompter prompter;
    FolderVolumes volumes;
    std::unique_ptr<MainWindow> window;
    QComboBox* drives = nullptr;
    QLineEdit* discName = nullptr;

    Desk()
    {
        volumes.list = {mounted(home.path(), "HOME", "", "ext4"), mounted(rock.path(), "ROCK1", "", "vfat"),
                        mounted(blank.path(), "", "", "iso9660"), mounted(gone.path(), "GONE", "", "vfat")};
        volumes.failing = {gone.path()};
        window = std::make_unique<MainWindow>(program.path(), &prompter, &volumes);
        QVERIFY(window->load());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QApplication::setActiveWindow(window.get());
        drives = window->findChild<QComboBox*>("Drive1");
        discName = window->findChild<QLineEdit*>("txtDrive");
    }
    ~Desk()
    {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(rock.path()).toStdString(), ignored);
    }
    void file(const QTemporaryDir& drive, const QString& relative)
    {
        QVERIFY(touchSong(drive.filePath(relative)));
    }
    void findMp3s()
    {
        QTest::mouseClick(window->findChild<QToolButton*>("cmdmakedb"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window->jobs()->isRunning(), 60000);
    }
    // Picks a drive and presses Find MP3s.
    void buildFrom(int drive)
    {
        drives->setCurrentIndex(drive);
        findMp3s();
    }
    QString caption() const { return window->recordBar()->caption(); }
    // File → Discs… by its key, as the user gives it once a job's progress window has gone:
    // the list, once its songs are counted.
    DiscsWindow* openDiscs()
    {
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
        auto* discs = window->findChild<DiscsWindow*>("frmdiscs");
        if (!discs || !discs->isVisible() || !QTest::qWaitFor([discs] { return !discs->isCounting(); }))
            return nullptr;
        return discs;
    }
};

} // namespace

class BuildWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void drivesAndDiscNames();
    void driveNotReady();
    void buildThroughTheButton();
    void duplicatesAcrossBuilds();
    void failedReopenRetriedOrCancelled();
    void discsComeAndGo();
    void anyFolderAsDisc();
    void closedWhileAsking();
    void discsThroughTheWindow();
    void notesAndComparisonByKeys();
    void systemDiskAsksFirst();
    void undoEachDestructiveCommand_data();
    void undoEachDestructiveCommand();
};

void BuildWindowTest::drivesAndDiscNames()
{
    Desk d;
    QCOMPARE(d.drives->count(), 5); // and "Folder…" last
    QCOMPARE(d.drives->itemText(1), d.rock.path() + " [ROCK1]");
    QCOMPARE(d.drives->toolTip(), d.drives->currentText()); // the whole text, however narrow the box
    QCOMPARE(d.drives->itemText(2), d.blank.path());
    QCOMPARE(d.drives->currentIndex(), 0);
    QCOMPARE(d.window->drivePanel()->startupDrive(), d.home.path());
    QCOMPARE(d.discName->text(), QStringLiteral("HOME")); // the start-up drive's label

    d.drives->setCurrentIndex(1);
    QCOMPARE(d.discName->text(), QStringLiteral("ROCK1"));
    QCOMPARE(d.discName->selectedText(), QStringLiteral("ROCK1"));
    QCOMPARE(QApplication::focusWidget(), d.discName);
    QCOMPARE(d.window->drivePanel()->discRoot(), d.rock.path());

    d.drives->setCurrentIndex(2);
    QCOMPARE(d.discName->text(), QStringLiteral("NoLabel"));
    QCOMPARE(d.discName->selectedText(), QStringLiteral("NoLabel"));
    // Typing replaces the proposal.
    QTest::keyClicks(d.discName, "Jazz Night");
    QCOMPARE(d.discName->text(), QStringLiteral("Jazz Night"));
    QVERIFY(d.prompter.shown.empty());
}

// A drive without a disc is asked for until it is in or the user gives up; Cancel goes
// back to the start-up drive, which proposes its own label.
void BuildWindowTest::driveNotReady()
{
    Desk d;
    d.drives->setCurrentIndex(1);
    d.prompter.answers = {Prompter::Retry, Prompter::Cancel};
    d.drives->setCurrentIndex(3);
    QCOMPARE(d.prompter.shown.size(), size_t(2));
    QCOMPARE(d.prompter.shown[1].text, QStringLiteral("Drive is not available"));
    QCOMPARE(d.prompter.shown[1].buttons, Prompter::RetryCancel);
    QCOMPARE(d.prompter.shown[1].title, QStringLiteral("Drive Not Ready"));
    QCOMPARE(d.drives->currentIndex(), 0);
    QCOMPARE(d.discName->text(), QStringLiteral("HOME"));

    d.prompter.shown.clear();
    d.prompter.answers = {Prompter::Retry};
    d.prompter.beforeAnswer = [&](const QString&) { d.volumes.failing.clear(); }; // the disc goes in
    d.drives->setCurrentIndex(3);
    QCOMPARE(d.prompter.shown.size(), size_t(1));
    QCOMPARE(d.discName->text(), QStringLiteral("GONE"));
}

void BuildWindowTest::buildThroughTheButton()
{
    Desk d;
    QVERIFY(!d.window->grid()->isVisibleTo(d.window.get()));
    d.file(d.rock, "Ballads/Lenna Vey-Slow River.mp3");
    d.file(d.rock, "Kestrel-Harbour.mp3");
    d.file(d.rock, "Rock/Grey Owl - Winter.MP3");
    d.file(d.rock, "Rock/cover.jpg");
    // A song the catalogue refuses (another program's rule) lets us look at the window while
    // it works; the build goes on after it.
    d.file(d.rock, "Rock/Loud-Refused.mp3");
    d.program.run("CREATE TRIGGER refuse BEFORE INSERT ON adosong WHEN NEW.Title='Refused' "
                  "BEGIN SELECT RAISE(ABORT, 'not this one'); END");
    QString progressText;
    bool busyWhileAsked = true;
    QStringList enabledWhileAsked;
    const char* commands[] = {"cmdmakedb",  "cmdadd",    "cmddelete",  "cmdprint",         "cmdDeleteDB",
                              "cmdrefresh", "mnuexport", "mnuplayall", "mnufillplaytimes", "mnusearch"};
    auto enabled = [&] {
        QStringList names;
        for (const char* name : commands) {
            QObject* command = d.window->findChild<QObject*>(name);
            if (command->property("enabled").toBool())
                names << name;
        }
        return names;
    };
    d.prompter.beforeAnswer = [&](const QString&) {
        auto* progress = d.window->findChild<ProgressWindow*>("scanProgress");
        progressText = progress && progress->isVisible() ? progress->text() : QString();
        busyWhileAsked = QApplication::overrideCursor() != nullptr;
        // The window answers while the job waits: only what reads stays on, and sorting works.
        enabledWhileAsked = enabled();
        QVERIFY(!d.window->records()->requery(RecordSource::sorted({"Title"})).failed());
    };

    d.buildFrom(1);
    QCOMPARE(d.prompter.shown.size(), size_t(1));
    QVERIFY2(d.prompter.shown[0].text.startsWith("This is a bug Refused#") &&
                 d.prompter.shown[0].text.endsWith("not this one"),
             qPrintable(d.prompter.shown[0].text));
    QCOMPARE(d.prompter.shown[0].buttons, Prompter::OkOnly);
    QVERIFY2(progressText.contains(d.rock.path()), qPrintable(progressText));
    QVERIFY(busyWhileAsked);
    QCOMPARE(enabledWhileAsked, (QStringList{"cmdrefresh", "mnusearch"}));
    QCOMPARE(enabled().size(), std::size(commands));

    QCOMPARE(d.caption(), QStringLiteral("Record count= 3"));
    QCOMPARE(d.window->statusBar()->currentMessage(), QStringLiteral("4 songs found: 3 added"));
    // It stays while the menus are looked through.
    auto* fileMenu = d.window->findChild<QMenu*>("mnufile");
    d.window->menuBar()->setActiveAction(fileMenu->menuAction());
    QVERIFY(QTest::qWaitForWindowExposed(fileMenu));
    for (int entry = 0; entry < 4; ++entry)
        QTest::keyClick(fileMenu, Qt::Key_Down);
    fileMenu->hide();
    QCOMPARE(d.window->statusBar()->currentMessage(), QStringLiteral("4 songs found: 3 added"));
    QVERIFY(d.window->grid()->isVisibleTo(d.window.get()));
    QCOMPARE(d.drives->currentIndex(), 0);
    QCOMPARE(d.discName->text(), QStringLiteral("HOME"));
    QVERIFY(!QApplication::overrideCursor());
    QTRY_VERIFY(!d.window->findChild<ProgressWindow*>("scanProgress"));

    // The grid shows the rows in artist order, with the disc's name.
    SongModel* model = d.window->grid()->model();
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral(" Winter"));
    QCOMPARE(model->index(0, 3).data().toString(), QStringLiteral("ROCK1"));
    QCOMPARE(model->index(2, 6).data().toString(), d.rock.path() + "/Ballads/");
}

// The menu's check mark is read at each collision; a disc without songs leaves the count
// and the grid as they were.
void BuildWindowTest::duplicatesAcrossBuilds()
{
    Desk d;
    d.file(d.rock, "Kestrel-Harbour.mp3");
    d.buildFrom(1);
    d.buildFrom(1);
    QCOMPARE(d.caption(), QStringLiteral("Record count= 1"));
    QCOMPARE(d.window->statusBar()->currentMessage(),
             QStringLiteral("1 song found: 0 added, 1 already in the catalogue"));
    d.window->findChild<QAction*>("mnudupes")->setChecked(true);
    d.buildFrom(1);
    QCOMPARE(d.caption(), QStringLiteral("Record count= 2"));
    d.file(d.blank, "Docs/readme.txt");
    d.buildFrom(2);
    QCOMPARE(d.caption(), QStringLiteral("Record count= 2"));
    QVERIFY(d.window->grid()->isVisibleTo(d.window.get()));
    QVERIFY(d.prompter.shown.empty());
}

void BuildWindowTest::failedReopenRetriedOrCancelled()
{
    Desk d;
    d.file(d.rock, "a-1.mp3");
    d.file(d.rock, "b-2.mp3");
    d.buildFrom(1);
    QCOMPARE(d.caption(), QStringLiteral("Record count= 2"));

    // The catalogue is moved away as a disc is to be read: the build cannot open it (said
    // once), and showing the rows fails, with the reason in the details, until the file is back.
    d.file(d.rock, "c-3.mp3");
    d.file(d.rock, "d-4.mp3");
    const QString db = d.program.databasePath();
    const QString aside = db + ".aside";
    d.prompter.beforeAnswer = [&](const QString& text) {
        if (text == "File collection error" && QFileInfo::exists(aside))
            QFile::rename(aside, db);
    };
    d.drives->setCurrentIndex(1);
    QVERIFY(QFile::rename(db, aside));
    d.prompter.answers = {Prompter::Ok, Prompter::Retry};
    d.findMp3s();
    QCOMPARE(d.prompter.shown.size(), size_t(2));
    QVERIFY2(d.prompter.shown[0].text.startsWith("This is a bug 0#") &&
                 d.prompter.shown[0].text.contains("Could not find file"),
             qPrintable(d.prompter.shown[0].text));
    QCOMPARE(d.prompter.shown[1].text, QStringLiteral("File collection error"));
    QVERIFY2(d.prompter.shown[1].details.contains(db), qPrintable(d.prompter.shown[1].details));
    QCOMPARE(d.prompter.shown[1].buttons, Prompter::RetryCancel);
    QCOMPARE(d.prompter.shown[1].title, QStringLiteral("Drive Not Ready"));
    QCOMPARE(d.caption(), QStringLiteral("Record count= 2"));

    // Cancel ends the click: no refresh, no caption, the start-up drive again.
    d.prompter.shown.clear();
    d.prompter.beforeAnswer = nullptr;
    d.window->recordBar()->setCaption("before");
    d.drives->setCurrentIndex(1);
    QVERIFY(QFile::rename(db, aside));
    d.prompter.answers = {Prompter::Ok, Prompter::Cancel};
    d.findMp3s();
    QCOMPARE(d.prompter.shown.size(), size_t(2));
    QCOMPARE(d.prompter.shown[1].text, QStringLiteral("File collection error"));
    QCOMPARE(d.caption(), QStringLiteral("before"));
    QCOMPARE(d.drives->currentIndex(), 0);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(QFile::rename(aside, db));

    // The connection held before the cancelled reopen still serves the next build.
    d.prompter.shown.clear();
    d.file(d.rock, "e-5.mp3");
    d.buildFrom(1);
    QCOMPARE(d.prompter.texts(), QStringList());
    QCOMPARE(d.caption(), QStringLiteral("Record count= 5"));
}

// The drive list is read again when volumes come or go and as it opens: a disc put in is
// offered, one taken out is not, and the choice stays where it still can.
void BuildWindowTest::discsComeAndGo()
{
    Desk d;
    d.drives->setCurrentIndex(1);
    QTemporaryDir inserted;
    d.volumes.list.removeAt(2);
    d.volumes.list.append(mounted(inserted.path(), "NEW", "", "udf"));
    emit d.window->mountWatch()->changed(); // the list follows the mount table by itself
    QStringList roots;
    for (int i = 0; i < d.drives->count(); ++i)
        roots << d.drives->itemData(i).toString();
    QCOMPARE(roots, (QStringList{d.home.path(), d.rock.path(), d.gone.path(), inserted.path(), QString()}));
    QCOMPARE(d.drives->currentData().toString(), d.rock.path());
    QCOMPARE(d.discName->text(), QStringLiteral("ROCK1"));

    // Taken out after it was chosen, the disc is asked for before anything is walked.
    d.volumes.failing << d.rock.path();
    d.prompter.answers = {Prompter::Retry, Prompter::Cancel};
    d.findMp3s();
    QCOMPARE(d.prompter.texts(), (QStringList{"File collection error", "File collection error"}));
    QCOMPARE(d.window->records()->recordCount(), 0);
    d.prompter.shown.clear();
    d.volumes.failing.clear();
    d.drives->setCurrentIndex(1);

    // The chosen disc taken out: the list falls back to the start-up drive.
    d.volumes.list.removeAt(1);
    d.drives->showPopup();
    d.drives->hidePopup();
    QCOMPARE(d.drives->currentData().toString(), d.home.path());
    QVERIFY(d.prompter.shown.empty());
}

// The window closed while a build waits for an answer: the question is answered for the
// user, the build ends, what it stored is committed, and nothing waits on anything.
void BuildWindowTest::closedWhileAsking()
{
    Desk d;
    for (int i = 0; i < 50; ++i)
        d.file(d.rock, QString("F%1/a-%1.mp3").arg(i, 2, 10, QChar('0')));
    d.file(d.rock, "F00/x-Refused.mp3");
    d.program.run("CREATE TRIGGER refuse BEFORE INSERT ON adosong WHEN NEW.Title='Refused' "
                  "BEGIN SELECT RAISE(ABORT, 'no'); END");
    d.prompter.beforeAnswer = [&](const QString&) { QVERIFY(d.window->close()); };
    d.buildFrom(1);
    QVERIFY(!d.window->jobs()->isRunning());
    QVERIFY(d.program.count() >= 1);
    QVERIFY(!QFileInfo::exists(d.program.databasePath() + "-journal"));
}

// "Folder…" takes any folder as the disc, named after the folder.
void BuildWindowTest::anyFolderAsDisc()
{
    Desk d;
    QTemporaryDir shelf;
    const QString rips = shelf.path() + "/My Rips";
    d.file(shelf, "My Rips/Jazz/Nina Vey-Blue.mp3");
    const int folderEntry = d.drives->count() - 1;
    d.drives->setCurrentIndex(folderEntry); // cancelled: back to the last choice
    QCOMPARE(d.drives->currentIndex(), 0);
    d.prompter.folder = rips;
    d.drives->setCurrentIndex(folderEntry);
    QCOMPARE(d.drives->currentData().toString(), rips);
    QCOMPARE(d.discName->selectedText(), QStringLiteral("My Rips"));
    d.findMp3s();
    QVERIFY(d.prompter.shown.empty());
    RecordSet* records = d.window->records();
    QCOMPARE(records->recordCount(), 1);
    QCOMPARE(records->value(0, Song::MP3cd).toString(), QStringLiteral("My Rips"));
    QCOMPARE(records->value(0, Song::FullPath).toString(), rips + "/Jazz/");
    // It stays in the list for the next disc of the shelf.
    QVERIFY(d.drives->findData(rips) > 0);
}

// File → Discs… lists the disc built; Update shows what changed and applies it, Rename and
// Remove change the whole disc; the grid and the list show the result at once.
void BuildWindowTest::discsThroughTheWindow()
{
    Desk d;
    d.file(d.rock, "Rock/Kestrel-Harbour.mp3");
    d.file(d.rock, "Rock/Grey Owl-Winter.mp3");
    d.buildFrom(1);
    d.program.run("UPDATE adosong SET ONcd=1 WHERE Artist='Kestrel'");
    DiscsWindow* discs = d.openDiscs();
    QVERIFY(discs);
    auto* list = discs->findChild<QTableView*>("lstdiscs");
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QString("ROCK1"));
    QCOMPARE(list->model()->index(0, 1).data().toString(), QString("2"));
    QCOMPARE(list->model()->index(0, 13).data().toString(), d.rock.path() + "/");
    // Every column in sight, or as many as the whole width of the screen shows.
    const QRect screen = discs->screen()->availableGeometry();
    QVERIFY(screen.contains(discs->frameGeometry()));
    QVERIFY2(list->horizontalHeader()->length() <= list->viewport()->width() ||
                 discs->frameGeometry().width() == screen.width(),
             qPrintable(
                 QString("%1 > %2").arg(list->horizontalHeader()->length()).arg(list->viewport()->width())));

    QVERIFY(QFile::remove(d.rock.filePath("Rock/Grey Owl-Winter.mp3")));
    d.file(d.rock, "Pop/Lenna Vey-Slow River.mp3");
    d.prompter.answers = {Prompter::Apply};
    discs->findChild<QPushButton*>("cmdupdatedisc")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
    QCOMPARE(d.prompter.shown.back().buttons, Prompter::ApplyCancel);
    QVERIFY(d.prompter.shown.back().text.contains("1 new, 1 gone, 0 moved, 1 unchanged"));
    QCOMPARE(d.program.rows("SELECT Artist, ONcd FROM adosong ORDER BY Artist"),
             (QStringList{"Kestrel|1", "Lenna Vey|0"}));
    QCOMPARE(d.window->records()->recordCount(), 2);
    QCOMPARE(d.window->statusBar()->currentMessage(),
             QString("Disc ROCK1 updated: 1 added, 1 removed, 0 moved"));

    d.prompter.text = "ROCK9";
    discs->findChild<QPushButton*>("cmdrenamedisc")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
    QCOMPARE(d.program.rows("SELECT DISTINCT MP3cd FROM adosong"), QStringList{"ROCK9"});
    QTRY_VERIFY(!discs->isCounting());
    QCOMPARE(list->model()->index(0, 0).data().toString(), QString("ROCK9"));

    d.prompter.answers = {Prompter::Yes};
    discs->findChild<QPushButton*>("cmdremovedisc")->click();
    QCOMPARE(d.prompter.shown.back().text,
             QString("Remove the disc ROCK9 and its 2 songs from the catalogue?"));
    QCOMPARE(d.prompter.shown.back().buttons, Prompter::YesNo);
    QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
    QCOMPARE(d.program.count(), 0);
    QCOMPARE(d.program.count("SELECT count(*) FROM adodisc"), 0);
    QTRY_COMPARE(list->model()->rowCount(), 0);
}

namespace {
// Edits the cell current in `list` as the user does: Enter (or F2), the text over what was
// there, Enter again.
void typeIntoCell(QTableView* list, const QString& text, Qt::Key begin = Qt::Key_Return)
{
    QTest::keyClick(list, begin);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor && editor->parent() == list->viewport());
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), list); // the editor closes a moment later
    QCoreApplication::processEvents();               // and the note is stored after it
}
} // namespace

// In the list of discs, the notes are edited by the keys and stored at once (a date must be
// one); F2 on a name renames; two discs selected are compared, and the lists exported.
void BuildWindowTest::notesAndComparisonByKeys()
{
    Desk d;
    d.file(d.rock, "Rock/Kestrel-Harbour.mp3");
    d.file(d.rock, "Rock/Grey Owl-Winter.mp3");
    d.buildFrom(1);
    // A backup of part of it, typed in long ago: no record.
    d.program.run("INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) VALUES "
                  "('kestrel ','HARBOUR ****1',0,'BACKUP','Rock','/media/old/'), "
                  "('Only','There',0,'BACKUP','Pop','/media/old/')");
    d.program.run("UPDATE adosong SET Playtime='00:03:05' WHERE Artist='Kestrel'");
    DiscsWindow* discs = d.openDiscs();
    QVERIFY(discs);
    auto* list = discs->findChild<QTableView*>("lstdiscs");
    // The play times, added up after the songs are counted, fill their cells.
    QCOMPARE(list->model()->index(0, 2).data().toString(), QString("0:03:05"));
    QCOMPARE(list->model()->index(0, 3).data().toString(), QString("1"));
    QTRY_COMPARE(QApplication::focusWidget(), list);
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(list->currentIndex(), list->model()->index(0, 0));
    QCOMPARE(list->model()->headerData(4, Qt::Horizontal).toString(), QString("Location"));

    for (int i = 0; i < 4; ++i)
        QTest::keyClick(list, Qt::Key_Right);
    typeIntoCell(list, "shelf 3");
    QTest::keyClick(list, Qt::Key_Right);
    QTest::keyClick(list, Qt::Key_Right);
    typeIntoCell(list, "1 October 2026", Qt::Key_F2);
    QCOMPARE(list->currentIndex().data().toString(), QString("2026-10-01"));
    typeIntoCell(list, "soon");
    QVERIFY(d.prompter.texts().contains("'soon' is not a date: write it as 2026-10-01."));
    QCOMPARE(list->currentIndex().data().toString(), QString("2026-10-01"));
    QCOMPARE(d.program.rows("SELECT MP3cd, Location, LentOn FROM adodisc"),
             QStringList{"ROCK1|shelf 3|2026-10-01"});

    // The disc without a record gets one to keep its note.
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Left);
    typeIntoCell(list, "Ann");
    QCOMPARE(d.program.rows("SELECT MP3cd, Root, LentTo FROM adodisc WHERE Root=''"),
             QStringList{"BACKUP||Ann"});

    // F2 on the name renames the disc.
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentIndex().column(), 0);
    QTest::keyClick(list, Qt::Key_F2);
    QCOMPARE(d.prompter.textTitles, QStringList{"Rename Disc"});
    QCOMPARE(QApplication::focusWidget(), list);

    // Two discs selected: Compare, and the lists under their headings.
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
    auto* compare = discs->findChild<QPushButton*>("cmdcomparediscs");
    QVERIFY(compare->isEnabled());
    QVERIFY(!discs->findChild<QPushButton*>("cmdrenamedisc")->isEnabled());
    QTest::keyClick(list, Qt::Key_M, Qt::AltModifier); // the button's letter, pressed a moment later
    QTRY_VERIFY(discs->findChild<QDialog*>("frmcomparediscs"));
    auto* comparison = discs->findChild<QDialog*>("frmcomparediscs");
    QVERIFY(comparison->isVisible());
    auto* lists = comparison->findChild<QTreeWidget*>("lstcomparison");
    QTRY_COMPARE(lists->topLevelItemCount(), 3);
    QStringList shown;
    for (int i = 0; i < 3; ++i) {
        const QTreeWidgetItem* heading = lists->topLevelItem(i);
        shown << heading->text(0);
        for (int j = 0; j < heading->childCount(); ++j)
            shown << "  " + heading->child(j)->text(0) + "|" + heading->child(j)->text(1) + "|" +
                         heading->child(j)->text(2) + "|" + heading->child(j)->text(4) + "|" +
                         heading->child(j)->text(5);
    }
    const QString rock = d.rock.path() + "/Rock/";
    QCOMPARE(shown, (QStringList{"Only on ROCK1 (1 song)", "  Grey Owl|Winter||" + rock + "|",
                                 "Only on BACKUP (1 song)", "  Only|There|||/media/old/", "On both (1 song)",
                                 "  Kestrel|Harbour|3:05|" + rock + "|/media/old/"}));

    d.prompter.fileToWrite = d.home.filePath("compared.csv");
    comparison->findChild<QPushButton*>("cmdexportcomparison")->click();
    QFile csv(d.prompter.fileToWrite);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(csv.readAll()),
             "\uFEFFList,Artist,Title,Playtime,Category,Folder on ROCK1,Folder on BACKUP\r\n"
             "Only on ROCK1,Grey Owl,Winter,,Rock," +
                 rock +
                 ",\r\n"
                 "Only on BACKUP,Only,There,,Pop,,/media/old/\r\n"
                 "On both,Kestrel,Harbour,00:03:05,Rock," +
                 rock + ",/media/old/\r\n");
}

// The drive list goes back to the system's disk after a build; a build of it, or of the home
// folder, asks first, and No catalogues nothing.
void BuildWindowTest::systemDiskAsksFirst()
{
    Desk d;
    d.volumes.list[0].root = QDir::homePath();
    d.volumes.list << mounted("/", "", "", "ext4");
    d.window->findChild<DrivePanel*>()->refresh();
    for (const int drive : {0, int(d.volumes.list.size() - 1)}) {
        d.prompter.shown.clear();
        d.buildFrom(drive);
        QCOMPARE(d.prompter.shown.size(), size_t(1));
        QCOMPARE(d.prompter.shown[0].buttons, Prompter::YesNo);
        QVERIFY(d.prompter.shown[0].text.endsWith("Catalogue every MP3 file in it?"));
        QCOMPARE(d.program.count(), 0);
    }
    // Any other folder asks nothing new.
    d.file(d.rock, "Kestrel-Harbour.mp3");
    d.prompter.shown.clear();
    d.buildFrom(1);
    QCOMPARE(d.prompter.texts(), QStringList());
    QCOMPARE(d.program.count(), 1);
}

// Clear Database, Remove, Update → Apply and deleting many rows each keep the catalogue
// first: File → Undo (Ctrl+Z) puts it back exactly, until anything else writes to it.
void BuildWindowTest::undoEachDestructiveCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("undo"); // the menu entry's caption afterwards
    QTest::addColumn<bool>("writtenSince");
    QTest::newRow("Clear Database") << "clear"
                                    << "Undo Clear Database" << false;
    QTest::newRow("Remove") << "remove"
                            << "Undo Remove Disc ROCK1" << false;
    QTest::newRow("Update, Apply") << "update"
                                   << "Undo Update Disc ROCK1" << false;
    QTest::newRow("Delete record of three rows") << "delete"
                                                 << "Undo Delete 3 songs" << false;
    QTest::newRow("written since: nothing undone") << "remove"
                                                   << "Undo Remove Disc ROCK1" << true;
}

void BuildWindowTest::undoEachDestructiveCommand()
{
    QFETCH(QString, command);
    QFETCH(QString, undo);
    QFETCH(bool, writtenSince);
    Desk d;
    for (const char* name : {"Rock/Kestrel-Harbour.mp3", "Rock/Grey Owl-Winter.mp3", "Pop/Lenna Vey-Slow.mp3",
                             "Pop/Ada-Blue.mp3"})
        d.file(d.rock, name);
    d.buildFrom(1);
    d.program.run("UPDATE adosong SET ONcd=1, Playtime='00:03:00' WHERE Artist='Kestrel'");
    const auto everything = [&] {
        return d.program.rows("SELECT rowid, * FROM adosong ORDER BY rowid") +
               d.program.rows("SELECT rowid, * FROM adodisc ORDER BY rowid");
    };
    const QStringList before = everything();
    d.window->findChild<QPushButton*>("cmdrefresh")->click();
    d.prompter.answers = {Prompter::Yes};
    if (command == "clear") {
        d.window->findChild<QPushButton*>("cmdDeleteDB")->click();
    } else if (command == "delete") {
        d.window->grid()->selectRow(0);
        d.window->grid()->selectRow(1, Qt::ControlModifier);
        d.window->grid()->selectRow(3, Qt::ControlModifier);
        d.window->findChild<QPushButton*>("cmddelete")->click();
    } else {
        DiscsWindow* discs = d.openDiscs();
        QVERIFY(discs);
        if (command == "update") {
            QVERIFY(QFile::remove(d.rock.filePath("Pop/Ada-Blue.mp3")));
            d.file(d.rock, "Jazz/New-Song.mp3");
            d.prompter.answers = {Prompter::Apply};
        }
        discs->findChild<QPushButton*>(command == "update" ? "cmdupdatedisc" : "cmdremovedisc")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
        discs->reject();
        QApplication::setActiveWindow(d.window.get());
    }
    QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
    QVERIFY(everything() != before);
    auto* undoEntry = d.window->findChild<QAction*>("mnuundo");
    QCOMPARE(undoEntry->text(), undo);
    QVERIFY(undoEntry->isEnabled());
    QVERIFY(QFileInfo(d.program.databasePath() + ".undo").isFile()); // beside the catalogue

    if (writtenSince)
        d.program.run("INSERT INTO adosong (Artist, Title) VALUES ('Typed', 'Later')");
    const QStringList changed = everything();
    d.prompter.shown.clear();
    d.prompter.answers = {Prompter::Yes};
    QTest::keyClick(d.window->grid()->view(), Qt::Key_Z, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!d.window->jobs()->isRunning(), 60000);
    QCOMPARE(everything(), writtenSince ? changed : before);
    QCOMPARE(d.program.rows("PRAGMA integrity_check"), QStringList{"ok"});
    QVERIFY(!undoEntry->isEnabled());
    if (writtenSince) {
        QVERIFY2(d.prompter.texts().join('\n').contains("changed since"),
                 qPrintable(d.prompter.texts().join('\n')));
        return;
    }
    QCOMPARE(d.prompter.shown.size(), size_t(1));
    QCOMPARE(d.prompter.shown[0].buttons, Prompter::YesNo);
    QCOMPARE(d.window->records()->recordCount(), 4);
    QVERIFY(d.window->grid()->isVisible());
    QCOMPARE(d.window->statusBar()->currentMessage(), "Undone: " + undo.mid(5));
}

QTEST_MAIN(BuildWindowTest)
#include "test_buildwindow.moc"
