#include "guisupport.h"

#include "app/startup.h"
#include "scan/mountwatch.h"
#include "store/filepath.h"

#include <QFontDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSysInfo>
#include <QTimer>

#include <memory>

#include <sys/stat.h>

#include <sqlite3.h>

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void firstStartOnEmptyCatalogue();
    void leftoverLocks_data();
    void leftoverLocks();
    void settingsApplied_data();
    void settingsApplied();
    void unusableCatalogueEndsStart_data();
    void unusableCatalogueEndsStart();
    void catalogueThatMustNotBeWritten_data();
    void catalogueThatMustNotBeWritten();
    void typingANewSong();
    void startUpThroughSplash();
    void whereTheFilesLive_data();
    void whereTheFilesLive();
    void longPathsFitTheScreen();
    void detailsCanBeRead();
    void discQuestionClosesByItself();
    void fontSizesAsTyped();
    void programFolderNamedOnAnOlderSystem();
    void sortOrdersThatCannotBeMadeAreSaid();
};

void MainWindowTest::firstStartOnEmptyCatalogue()
{
    ProgramFolder folder;
    Started s(folder.path());
    QVERIFY(s.loaded);
    QVERIFY(s.prompter.shown.empty());
    QVERIFY(!s.window->grid()->isVisibleTo(s.window.get()));
    QCOMPARE(folder.readSettings(),
             QByteArray("[Allow Duplicate Names]\nBox Checked=\n[GridFont]\nFontName=\n"
                        "FontSize=\n[Swap Artist/Title]\nColOrder=\n"));
    QCOMPARE(s.window->grid()->gridFont().pointSizeF(), 8.25);
    // The caption before the disc name is shown whole, on one line.
    auto* caption = s.find<QLabel>("Label2");
    QVERIFY(caption->sizeHint().width() <= caption->width() && !caption->wordWrap());

    // One window per catalogue: a second start is told so and ends.
    {
        Started second(folder.path());
        QVERIFY(!second.loaded);
        QCOMPARE(second.prompter.shown.size(), size_t(1));
        QVERIFY2(second.prompter.shown[0].text.contains("already open in another Trelmo window"),
                 qPrintable(second.prompter.shown[0].text));
    }
    s.window.reset();

    // The next start finds the empty entries and keeps the defaults.
    Started again(folder.path());
    QVERIFY(again.loaded);
    QCOMPARE(again.window->grid()->gridFont().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(again.window->grid()->gridFont().pointSizeF(), 8.0);
}

// A lock left behind: one that names no live Trelmo here is taken over; one from another
// machine asks first (No keeps off).
void MainWindowTest::leftoverLocks_data()
{
    QTest::addColumn<QByteArray>("lock");
    QTest::addColumn<bool>("otherMachine");
    const QByteArray here = QSysInfo::machineHostName().toUtf8();
    QTest::newRow("owner died") << "999999\ntrelmo\n" + here + "\n" << false;
    QTest::newRow("empty, after a power cut") << QByteArray() << false;
    QTest::newRow("garbled") << QByteArray("\x01\x02garbage") << false;
    QTest::newRow("another machine") << QByteArray("4242\ntrelmo\nfar-away-host\n") << true;
    // A FIFO as the lock (and as the settings file) would never answer: it is not opened,
    // the settings keep their defaults and the catalogue opens for browsing only.
    QTest::newRow("FIFOs") << QByteArray("fifo") << false;
}

void MainWindowTest::leftoverLocks()
{
    QFETCH(QByteArray, lock);
    QFETCH(bool, otherMachine);
    ProgramFolder folder;
    const bool fifos = lock == "fifo";
    for (const QString& name : {folder.databasePath() + ".lock", folder.settingsPath()}) {
        QVERIFY(fifos ? ::mkfifo(QFile::encodeName(name).constData(), 0600) == 0
                      : name == folder.settingsPath() || touch(name, lock));
    }
    Started s(folder.path()); // a question is answered No
    QCOMPARE(s.loaded, !otherMachine);
    QCOMPARE(s.prompter.shown.size(), size_t(otherMachine || fifos ? 1 : 0));
    if (fifos) {
        QVERIFY(s.prompter.texts().first().contains("opens for browsing only"));
        QCOMPARE(s.window->grid()->gridFont().pointSizeF(), 8.25);
    }
    if (!otherMachine)
        return;
    QVERIFY2(s.prompter.shown[0].text.contains("far-away-host"), qPrintable(s.prompter.shown[0].text));
    QCOMPARE(s.prompter.shown[0].buttons, Prompter::YesNo);
    s.prompter.answers = {Prompter::Yes};
    s.restart();
    QVERIFY(s.loaded);
}

void MainWindowTest::settingsApplied_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("column0");
    QTest::addColumn<bool>("dupes");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("size");

    QTest::newRow("swapped, dupes, Arial 12")
        << QByteArray("[Allow Duplicate Names]\nBox Checked=Yes\n[GridFont]\nFontName=Arial\nFontSize=12\n"
                      "[Swap Artist/Title]\nColOrder=Title\n")
        << "Title" << true << "Arial" << 12.0;
    QTest::newRow("size that is not a finite number keeps the design size")
        << QByteArray("[GridFont]\nFontName=DejaVu Sans\nFontSize=nan\n") << "Artist" << false
        << "DejaVu Sans" << 8.25;
    QTest::newRow("size that is no number keeps the design size")
        << QByteArray("[GridFont]\nFontName=DejaVu Sans\nFontSize=big\n") << "Artist" << false
        << "DejaVu Sans" << 8.25;
}

void MainWindowTest::settingsApplied()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, column0);
    QFETCH(bool, dupes);
    QFETCH(QString, family);
    QFETCH(double, size);
    ProgramFolder folder(QStringList{"Abba"});
    folder.writeSettings(ini);
    Started s(folder.path());
    QVERIFY(s.loaded);
    // A catalogue with songs shows its grid at once.
    QVERIFY(s.window->grid()->isVisibleTo(s.window.get()));
    QCOMPARE(s.window->grid()->caption(), QStringLiteral("MP3 List"));
    QCOMPARE(s.window->grid()->columnCaption(0), column0);
    QCOMPARE(s.window->grid()->columnCaption(1), column0 == "Title" ? QString("Artist") : QString("Title"));
    // Only captions change: the first column still shows the artist.
    QCOMPARE(s.find<QAction>("mnudupes")->isChecked(), dupes);
    QCOMPARE(s.window->grid()->gridFont().family(), family);
    QCOMPARE(s.window->grid()->gridFont().pointSizeF(), size);
    // The heads have the rows' font, and each is wide enough to be read whole.
    QHeaderView* heads = s.window->grid()->view()->horizontalHeader();
    QCOMPARE(heads->font().family(), s.window->grid()->gridFont().family());
    for (int column = 0; column < Song::ColumnCount; ++column)
        QVERIFY(heads->sectionSize(column) >= heads->sectionSizeHint(column));
    QCOMPARE(folder.readSettings(), ini); // reading writes nothing
}

void MainWindowTest::unusableCatalogueEndsStart_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing") << QByteArray() << "adomp3.mdb";
    QTest::newRow("not a database") << QByteArray(8192, 'x') << "not a database";
    QTest::newRow("no song table") << QByteArray("table") << "no such table: adosong";
    QTest::newRow("journal that is a FIFO")
        << QByteArray("fifo") << "adomp3.mdb-journal is not a regular file";
}

void MainWindowTest::unusableCatalogueEndsStart()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    ProgramFolder folder(false);
    if (content == "fifo") {
        QVERIFY(!Song::createCatalogue(folder.databasePath()).failed());
        QVERIFY(::mkfifo(QFile::encodeName(folder.databasePath() + "-journal").constData(), 0600) == 0);
    } else if (content == "table") {
        sqlite3* raw = nullptr;
        QVERIFY(sqlite3_open(folder.databasePath().toUtf8(), &raw) == SQLITE_OK);
        sqlite3_exec(raw, "CREATE TABLE songs(x)", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    } else if (!content.isEmpty()) {
        QVERIFY(touch(folder.databasePath(), content));
    }
    Started s(folder.path());
    QVERIFY(!s.loaded);
    QCOMPARE(s.prompter.shown.size(), size_t(1));
    QVERIFY2(s.prompter.shown[0].text.contains(expected), qPrintable(s.prompter.shown[0].text));
    QCOMPARE(s.prompter.shown[0].buttons, Prompter::OkOnly);
    QVERIFY(!QFileInfo::exists(folder.settingsPath()));
}

// A damaged catalogue and one that cannot be written are said so and browsed as far as
// they can be, and not one byte is written into them. Damage where opening reads (the
// artist index) is said at once; damage in the rows' own pages is found by the check that
// follows opening, before the first write.
void MainWindowTest::catalogueThatMustNotBeWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("atStart");
    QTest::addColumn<QString>("refusal");
    const QString damaged = "The catalogue is damaged (database disk image is malformed";
    QTest::newRow("damaged where opening reads") << "adosong_artist_title"
                                                 << "database disk image is malformed" << damaged;
    QTest::newRow("damaged where opening does not read") << "adosong"
                                                         << "" << damaged;
    // A row's artist changed in the table but not in its index: every page reads well, but
    // the row is missing from the index. The full check after opening finds it.
    QTest::newRow("damaged inside a row") << "row"
                                          << "missing from index" << damaged;
    QTest::newRow("read-only") << "read-only"
                               << "cannot be written"
                               << "is read-only: nothing can be changed";
    // Its layout may hold what this Trelmo does not know to keep: never brought down.
    QTest::newRow("written by a newer Trelmo") << "newer"
                                               << "written by a newer version of Trelmo"
                                               << "was written by a newer Trelmo: nothing can be changed";
}

void MainWindowTest::catalogueThatMustNotBeWritten()
{
    QFETCH(QString, kind);
    QFETCH(QString, atStart);
    QFETCH(QString, refusal);
    ProgramFolder folder;
    folder.run(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 5000) INSERT INTO "
        "adosong (Artist,Title,FullPath) SELECT printf('Artist %04d', i), 'Title', '/media/ROCK1/' FROM n");
    QFile file(folder.databasePath());
    if (kind == "read-only") {
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    } else if (kind == "newer") {
        folder.run(QString("PRAGMA user_version=%1").arg(Song::schemaVersion + 1));
    } else {
        // The leaf pages of the table or the index, as the file holds them.
        const QStringList pages = folder.rows(
            QString("SELECT pageno * (SELECT page_size FROM pragma_page_size), (SELECT page_size FROM "
                    "pragma_page_size) FROM dbstat WHERE name='%1' AND pagetype='leaf' ORDER BY pageno")
                .arg(kind == "row" ? "adosong" : kind));
        QVERIFY(pages.size() > 3);
        const qint64 pageSize = pages[0].section('|', 1).toLongLong();
        auto pageAt = [&](qsizetype i) { return pages[i].section('|', 0, 0).toLongLong() - pageSize; };
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (kind == "row") {
            QVERIFY(file.seek(pageAt(0)));
            QByteArray bytes = file.read(pageSize);
            QVERIFY(bytes.indexOf("Artist 0") >= 0);
            bytes[bytes.indexOf("Artist 0") + 5] = 'X'; // "ArtisX 0…", a name of the same length
            QVERIFY(file.seek(pageAt(0)));
            file.write(bytes);
        }
        // Three leaf pages from the middle overwritten.
        for (int i = 0; i < 3 && kind != "row"; ++i) {
            QVERIFY(file.seek(pageAt(pages.size() / 2 + i - 1)));
            file.write(QByteArray(int(pageSize), '\x5a'));
        }
        file.close();
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    Started s(folder.path());
    QVERIFY(s.loaded);
    if (kind == "row") // said once the check is over
        QTRY_COMPARE(s.prompter.shown.size(), size_t(1));
    QCOMPARE(s.prompter.shown.size(), size_t(atStart.isEmpty() ? 0 : 1));
    if (!atStart.isEmpty())
        QVERIFY2(s.prompter.shown[0].text.contains(atStart), qPrintable(s.prompter.shown[0].text));
    if (kind == "read-only" || kind == "newer") {
        QCOMPARE(s.window->records()->recordCount(), 5000);
        QVERIFY(
            !(s.window->grid()->model()->flags(s.window->grid()->model()->index(0, 0)) & Qt::ItemIsEditable));
    }
    s.prompter.shown.clear();
    for (const char* command : {"cmddelete", "cmdadd", "cmdDeleteDB"})
        s.find<QPushButton>(command)->click();
    QTest::mouseClick(s.find<QToolButton>("cmdmakedb"), Qt::LeftButton);
    s.waitForJob();
    QCOMPARE(s.prompter.shown.size(), size_t(4));
    for (const QString& text : s.prompter.texts())
        QVERIFY2(text.contains(refusal), qPrintable(text));
    s.window.reset();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(!QFileInfo::exists(folder.databasePath() + "-journal"));
}

// A song typed into the new row is stored when the row is left; a duplicate is reported
// and not stored, and closing the window with one still in the new row says so once.
void MainWindowTest::typingANewSong()
{
    ProgramFolder folder;
    folder.addRows({"A", "B"});
    Started s(folder.path());
    s.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
    QTableView* view = s.window->grid()->view();
    view->setFocus();
    QVERIFY(!s.window->records()->moveTo(1).failed());
    QTest::keyClick(view, Qt::Key_Down); // from the last row to the new row
    typeInto(view, "a");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "A SONG"); // Tab opened the next cell for editing
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Up);
    QStringList messages = s.prompter.texts();
    messages.removeIf([](const QString& text) { return text.startsWith("Insert CD "); }); // rows played
    QCOMPARE(messages, QStringList{" adodc Data error event hit err:"});
    // Why, behind "Show Details…": the duplicate key and the engine's words.
    const auto refused = std::find_if(s.prompter.shown.begin(), s.prompter.shown.end(),
                                      [](const auto& shown) { return shown.text.contains("adodc"); });
    QVERIFY2(refused->details.startsWith("3022 UNIQUE"), qPrintable(refused->details));
    QCOMPARE(s.window->records()->recordCount(), 2);

    // Words the ONcd cell cannot take are said as they are.
    s.prompter.shown.clear();
    QVERIFY(
        !s.window->grid()->model()->setData(s.window->grid()->model()->index(0, Song::OnCdColumn), "maybe"));
    QCOMPARE(s.prompter.texts(), QStringList{"Type Yes or NotYet."});

    s.prompter.shown.clear();
    view->setCurrentIndex(view->model()->index(2, 0));
    QVERIFY(s.window->close());
    s.window.reset();
    QCOMPARE(s.prompter.texts(), QStringList{" adodc Data error event hit err:"});
}

void MainWindowTest::startUpThroughSplash()
{
    {
        ProgramFolder folder;
        ScriptedPrompter prompter;
        FolderVolumes volumes;
        volumes.list = {mounted(QDir::currentPath(), "", "", "")};
        MainWindow* window = startTrelmo(folder.path(), &prompter, &volumes);
        QVERIFY(window && window->isVisible());
        window->close();
    }
    {
        ProgramFolder folder(false);
        ScriptedPrompter prompter;
        FolderVolumes volumes;
        QVERIFY(!startTrelmo(folder.path(), &prompter, &volumes));
        QCOMPARE(prompter.shown.size(), size_t(1));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
    }
}

void MainWindowTest::whereTheFilesLive_data()
{
    QTest::addColumn<QString>("program"); // the program's folder: "own", "own+db", "missing", "/usr/bin"
    QTest::addColumn<QString>(
        "dataHome"); // XDG_DATA_HOME: "set", "unset", "file" (a folder that cannot be made)
    QTest::addColumn<QString>("answer");   // to the offer of a new catalogue
    QTest::addColumn<QString>("expected"); // "program", or "data" with the catalogue made, or "ends"
    QTest::newRow("a build folder") << "own"
                                    << "set"
                                    << ""
                                    << "program";
    QTest::newRow("a stick with its catalogue") << "own+db"
                                                << "set"
                                                << ""
                                                << "program";
    QTest::newRow("installed, first start") << "/usr/bin"
                                            << "set"
                                            << "Yes"
                                            << "data";
    QTest::newRow("installed, default data folder") << "/usr/bin"
                                                    << "unset"
                                                    << "Yes"
                                                    << "data";
    QTest::newRow("installed, no catalogue wanted") << "/usr/bin"
                                                    << "set"
                                                    << "No"
                                                    << "ends";
    QTest::newRow("unreachable program folder") << "missing"
                                                << "set"
                                                << "Yes"
                                                << "data";
    QTest::newRow("data folder that cannot be made") << "/usr/bin"
                                                     << "file"
                                                     << "Yes"
                                                     << "ends";
    QTest::newRow("a relative data folder is no data folder") << "/usr/bin"
                                                              << "relative"
                                                              << "Yes"
                                                              << "data";
    QTest::newRow("no home") << "/usr/bin"
                             << "no home"
                             << ""
                             << "ends";
}

// Beside the program where it can be, else in the user's data folder, where a missing
// catalogue is offered to be made.
void MainWindowTest::whereTheFilesLive()
{
    QFETCH(QString, program);
    QFETCH(QString, dataHome);
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    ProgramFolder own(program == "own+db");
    QTemporaryDir home;
    const QByteArray savedData = qgetenv("XDG_DATA_HOME"), savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    QVERIFY(touch(home.path() + "/data")); // a file where the folder would be
    if (dataHome == "unset" || dataHome == "no home")
        qunsetenv("XDG_DATA_HOME");
    else if (dataHome == "relative")
        qputenv("XDG_DATA_HOME", "xdg");
    else if (dataHome == "file")
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/data"));
    else
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + "/xdg"));
    if (dataHome == "no home")
        qunsetenv("HOME");
    const QString folder = program.startsWith("own") ? own.path()
                           : program == "missing"    ? own.path() + "/gone"
                                                     : program;
    const FilePath::Storage storage = FilePath::storageFor(folder, FilePath::userDataFolder());
    const QString data = dataHome == "no home" ? QString()
                         : dataHome == "unset" || dataHome == "relative"
                             ? home.path() + "/.local/share/Trelmo"
                         : dataHome == "file" ? home.path() + "/data/Trelmo"
                                              : home.path() + "/xdg/Trelmo";
    QCOMPARE(storage.folder, expected == "program" ? folder : data);
    if (expected != "program") {
        ScriptedPrompter prompter;
        FolderVolumes volumes;
        volumes.list = {mounted(QDir::currentPath(), "", "", "")};
        prompter.answers = {answer == "Yes" ? Prompter::Yes : Prompter::No};
        MainWindow* window = startTrelmo(storage.folder, &prompter, &volumes, storage.inDataFolder);
        QCOMPARE(bool(window), expected == "data");
        if (data.isEmpty())
            QVERIFY(prompter.shown[0].text.contains("HOME is not set"));
        else
            QCOMPARE(prompter.shown[0].text,
                     "There is no catalogue in " + data + " yet. Create an empty one?");
        QCOMPARE(prompter.shown[0].buttons,
                 data.isEmpty() ? Prompter::OkOnly : Prompter::Offer); // Yes the default
        QCOMPARE(QFileInfo::exists(data + "/adomp3.mdb"), expected == "data");
        if (window) {
            QVERIFY(window->findChild<QAction*>("mnuabout"));
            window->findChild<QAction*>("mnuabout")->trigger();
            QTRY_VERIFY(window->findChild<QLabel*>("lblFiles"));
            QCOMPARE(window->findChild<QLabel*>("lblFiles")->text(),
                     "Catalogue: " + data + "/adomp3.mdb\nSettings: " + data + "/trelmo.ini");
            window->close();
        }
    }
    qputenv("HOME", savedHome);
    if (savedData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedData);
}

// A report about a path thousands of characters long still fits the screen.
void MainWindowTest::longPathsFitTheScreen()
{
    MessageBoxPrompter prompter;
    QSize seen;
    QString shown, details;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen = box->sizeHint();
                shown = box->text();
                details = box->detailedText();
                box->accept();
            }
        }
    });
    const QString text =
        "This is a bug " + QString("/folder-with-a-long-name").repeated(173) + "#36 File name too long";
    prompter.ask(text, Prompter::OkOnly, "Trelmo", {});
    QVERIFY(seen.isValid());
    QVERIFY2(seen.height() < QApplication::primaryScreen()->geometry().height() / 2,
             qPrintable(QString::number(seen.height())));
    QVERIFY(shown.startsWith("This is a bug /folder") && shown.endsWith("#36 File name too long"));
    QCOMPARE(details, text);
}

// A question with details (an update's songs) shows fifteen lines of them at least, in a
// window that grows when pulled; Cancel is the default of a warned one.
void MainWindowTest::detailsCanBeRead()
{
    MessageBoxPrompter prompter;
    QStringList details;
    for (int i = 0; i < 40; ++i)
        details << QString("  Artist %1 - Song %1  (Rock/Artist %1-Song %1.mp3)").arg(i);
    int linesSeen = 0;
    bool grows = false, cancelIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto* question = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(question);
        question->findChild<QPushButton*>("showDetails")->click();
        auto* shown = question->findChild<QPlainTextEdit*>("details");
        QVERIFY(shown->isVisible());
        linesSeen = shown->viewport()->height() / shown->fontMetrics().lineSpacing();
        const QSize before = question->size();
        question->resize(before + QSize(200, 200));
        grows = question->size() == before + QSize(200, 200);
        for (QPushButton* button : question->findChildren<QPushButton*>())
            cancelIsDefault = cancelIsDefault || (button->isDefault() && button->text().contains("Cancel"));
        QTest::keyClick(question, Qt::Key_Escape);
    });
    const Prompter::Answer answer =
        prompter.ask("Update the disc?", Prompter::ApplyCancelWarned, "Update Disc", details.join('\n'));
    QCOMPARE(answer, Prompter::Cancel);
    QVERIFY2(linesSeen >= 15, qPrintable(QString::number(linesSeen)));
    QVERIFY(grows);
    QVERIFY(cancelIsDefault);
}

// The question for a disc goes by itself, as Retry, once a mount brings the song; a mount
// that does not leaves it waiting for the user.
void MainWindowTest::discQuestionClosesByItself()
{
    QTemporaryDir dir;
    QVERIFY(touch(dir.path() + "/mountinfo"));
    MountWatch watch(dir.path() + "/mountinfo");
    MessageBoxPrompter prompter;
    bool songThere = false;
    int asked = 0;
    QTimer::singleShot(50, [&] { emit watch.changed(); });
    QTimer::singleShot(150, [&] {
        songThere = true;
        emit watch.changed();
    });
    // The question as it always was, what the user keeps of the disc beneath, as written.
    QString text, notes;
    bool asWritten = false;
    QTimer::singleShot(20, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                if (auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel")) {
                    text = box->text(), notes = label->text();
                    asWritten = label->textFormat() == Qt::PlainText;
                }
    });
    // Should it stay, it is answered Cancel so that the test ends.
    QTimer::singleShot(5000, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                box->reject();
    });
    const Prompter::Answer answer = prompter.askForDisc(
        "Insert CD ROCK1 In /media/ROCK1 Drive", "Check CD", &watch,
        [&] {
            ++asked;
            return songThere;
        },
        "In box <b>2</b> · lent to Ann");
    QCOMPARE(answer, Prompter::Retry);
    QCOMPARE(asked, 2);
    QCOMPARE(text, QString("Insert CD ROCK1 In /media/ROCK1 Drive"));
    QCOMPARE(notes, QString("In box <b>2</b> · lent to Ann"));
    QVERIFY(asWritten);
}

// A disk too full for the sort orders of an older catalogue: it opens, and says so.
void MainWindowTest::sortOrdersThatCannotBeMadeAreSaid()
{
    ProgramFolder folder;
    folder.run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 3000) INSERT INTO "
               "adosong (Artist,Title) SELECT printf('Artist %04d', i), 'Title' FROM n");
    folder.writeSettings("[GridFont]\n");
    {
        Database db;
        QVERIFY(!db.open(folder.databasePath()).failed());
        QVERIFY(!Song::dropSortIndexes(db).failed());
        QVERIFY(!db.execute("VACUUM").failed()); // no free pages left for the indexes
    }
    std::optional<Started> s;
    {
        DiskFull full(QFileInfo(folder.databasePath()).size());
        s.emplace(folder.path());
    }
    QVERIFY(s->loaded);
    QCOMPARE(s->window->records()->recordCount(), 3000);
    QCOMPARE(s->prompter.shown.size(), size_t(1));
    QVERIFY2(s->prompter.shown[0].text.startsWith("The catalogue's sort orders could not be made"),
             qPrintable(s->prompter.shown[0].text));
}

// A size typed into the font dialog is taken as typed, decimals and all.
void MainWindowTest::fontSizesAsTyped()
{
    MessageBoxPrompter prompter;
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFontDialog*>(w);
            if (!dialog || !dialog->isVisible())
                continue;
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
                if (edit->text() == "12") {
                    edit->selectAll();
                    QTest::keyClicks(edit, "10.5");
                }
            }
            dialog->accept();
        }
    });
    QFont chosen;
    QVERIFY(prompter.chooseFont(QFont("DejaVu Sans", 12), &chosen));
    QCOMPARE(chosen.pointSizeF(), 10.5);
}

// A program folder whose name is no UTF-8 holds its catalogue and settings like any other.
void MainWindowTest::programFolderNamedOnAnOlderSystem()
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/lat\xe9n";
    QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    const QString catalogue = FilePath::ofFile(folder + "/adomp3.mdb");
    QVERIFY(!catalogue.isEmpty());
    QVERIFY(!Song::createCatalogue(catalogue).failed());
    Started s(FilePath::ofFolder(folder));
    QVERIFY(s.loaded);
    QVERIFY(s.prompter.shown.empty());
    s.window.reset();
    struct stat info;
    QVERIFY(::stat((folder + "/adomp3.mdb").constData(), &info) == 0);
    QVERIFY(::stat((folder + "/trelmo.ini").constData(), &info) == 0);
    QVERIFY(!QFileInfo::exists(dir.path() + "/adomp3.mdb"));
}

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
