#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/busypointer.h"
#include "app/datacontrol.h"
#include "app/desktop.h"
#include "app/prompter.h"
#include "app/songgrid.h"
#include "browse/columnsort.h"
#include "browse/fieldsearch.h"
#include "browse/playreaction.h"
#include "output/gridfont.h"
#include "output/listing.h"
#include "scan/cataloguebuilder.h"
#include "settings/profile.h"
#include "store/recordset.h"
#include "store/songmodel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

// The pictures live in the window library; a static library must register them itself.
static void initResources()
{
    Q_INIT_RESOURCE(trelmo);
}

namespace {

const QColor lightGrey(224, 224, 224);
const QColor darkGrey(192, 192, 192);
constexpr int gridTop = 82;
constexpr int gridGap = 81;       // the grid ends this far above the bars
constexpr int pictureMargin = 50; // the picture leaves the lowest pixels out
constexpr int dataControlHeight = 22;
constexpr int buttonBarHeight = 26;
const char* const designFontName = "MS Sans Serif";
constexpr double designFontSize = 8.25;

// The client area: paints the background picture and reports changes of size.
class ClientArea : public QWidget
{
public:
    explicit ClientArea(MainWindow* window) : QWidget(window), m_window(window) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), lightGrey);
        const QPixmap& picture = m_window->background();
        const int height = this->height() - pictureMargin;
        if (!picture.isNull() && width() > 0 && height > 0)
            painter.drawPixmap(QRect(0, 0, width(), height), picture, picture.rect());
    }
    void resizeEvent(QResizeEvent*) override { m_window->resizeReaction(); }

private:
    MainWindow* m_window;
};

// The drive list, which tells before it opens so that it can be read again.
class DriveList : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;

protected:
    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};

QPalette greyPalette(QPalette palette, const QColor& colour)
{
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    return palette;
}

} // namespace

MainWindow::MainWindow(Prompter* prompter, VolumeSource* volumes, QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter), m_volumes(volumes)
{
    initResources();
    setObjectName(QStringLiteral("frmmp3"));
    setWindowTitle(QStringLiteral("Trelmo"));
    m_records = new RecordSet(this);
    m_model = new SongModel(m_records, this);
    m_background = QPixmap(QStringLiteral(":/background.jpg"));
    buildControls();
    buildMenus();

    connect(m_records, &RecordSet::error, this,
            [this](int number, const QString& description) { adodc_Error(number, description); });
    connect(m_records, &RecordSet::moveComplete, this, [this](EventReason r) { adodc_MoveComplete(r); });
    connect(m_records, &RecordSet::willChangeRecord, this,
            [this](EventReason r) { adodc_WillChangeRecord(r); });
}

MainWindow::~MainWindow()
{
    releaseCatalogue();
}

void MainWindow::buildControls()
{
    m_client = new ClientArea(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    m_client->setPalette(greyPalette(palette(), lightGrey));
    m_client->setAutoFillBackground(false);
    setCentralWidget(m_client);
    resize(659, 397);

    lbltitle = new QLabel(QStringLiteral("Trelmo"), m_client);
    lbltitle->setObjectName(QStringLiteral("lbltitle"));
    QFont titleFont(QStringLiteral("Times New Roman"), 36, QFont::Bold);
    lbltitle->setFont(titleFont);
    QPalette titlePalette = lbltitle->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::blue);
    lbltitle->setPalette(titlePalette);
    lbltitle->setGeometry(236, 10, 392, 67);

    // A panel: its own grey, its caption in blue, its contents in black.
    auto panelLook = [](QGroupBox* panel, const QColor& colour) {
        QPalette look = greyPalette(panel->palette(), colour);
        look.setColor(QPalette::WindowText, Qt::blue);
        panel->setPalette(look);
        panel->setAutoFillBackground(true);
    };
    auto blackText = [](QWidget* widget) {
        QPalette look = widget->palette();
        look.setColor(QPalette::WindowText, Qt::black);
        widget->setPalette(look);
    };

    frafind = new QGroupBox(QStringLiteral("Find all MP3's"), m_client);
    frafind->setObjectName(QStringLiteral("frafind"));
    panelLook(frafind, darkGrey);
    frafind->setGeometry(0, 0, 219, 81);

    auto* drives = new DriveList(frafind);
    // Discs come and go: the list is read again each time it opens.
    drives->beforePopup = [this] { fillDriveList(Drive1->currentData().toString()); };
    Drive1 = drives;
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setPalette(greyPalette(Drive1->palette(), lightGrey));
    Drive1->setGeometry(4, 16, 133, 21);

    Label2 = new QLabel(QStringLiteral("  Drive Name->"), frafind);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setToolTip(QStringLiteral("Default Drive Name/Label"));
    blackText(Label2);
    // On one line above the box, where the whole caption fits in the platform's font.
    Label2->setGeometry(4, 38, 133, 17);

    txtDrive = new QLineEdit(frafind);
    txtDrive->setObjectName(QStringLiteral("txtDrive"));
    txtDrive->setToolTip(QStringLiteral("This may be changed to a Preferred name"));
    txtDrive->setPalette(greyPalette(txtDrive->palette(), lightGrey));
    txtDrive->setGeometry(4, 55, 133, 21);
    Label2->setBuddy(txtDrive);

    cmdmakedb = new QToolButton(frafind);
    cmdmakedb->setObjectName(QStringLiteral("cmdmakedb"));
    cmdmakedb->setText(QStringLiteral("Find MP3s "));
    cmdmakedb->setIcon(QIcon(QStringLiteral(":/find.png")));
    cmdmakedb->setIconSize(QSize(32, 32));
    cmdmakedb->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    cmdmakedb->setToolTip(QStringLiteral("Click here to find all MP3's on selected Drive"));
    cmdmakedb->setPalette(greyPalette(cmdmakedb->palette(), darkGrey));
    cmdmakedb->setGeometry(140, 12, 75, 65);

    Frame2 = new QGroupBox(QStringLiteral("Search Database"), m_client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    panelLook(Frame2, lightGrey);
    // As wide as the scan panel it stands in for, so the button captions fit on one line.
    Frame2->setGeometry(0, 0, 219, 71);
    Frame2->hide();

    cbosearch = new QComboBox(Frame2);
    cbosearch->setObjectName(QStringLiteral("cbosearch"));
    // Only the offered fields can be searched: a list to pick from, not a text to type.
    cbosearch->setEditable(false);
    cbosearch->setGeometry(4, 18, 101, 21);
    Label4 = new QLabel(QStringLiteral(" For"), Frame2);
    Label4->setObjectName(QStringLiteral("Label4"));
    blackText(Label4);
    Label4->setGeometry(4, 44, 25, 21);
    txtField = new QLineEdit(Frame2);
    txtField->setObjectName(QStringLiteral("txtField"));
    txtField->setGeometry(32, 44, 73, 21);
    Label4->setBuddy(txtField);
    cmdsearch = new QPushButton(QStringLiteral("Find Record(s)"), Frame2);
    cmdsearch->setObjectName(QStringLiteral("cmdsearch"));
    cmdsearch->setGeometry(108, 12, 107, 27);
    cmdOK2 = new QPushButton(QStringLiteral("Done"), Frame2);
    cmdOK2->setObjectName(QStringLiteral("cmdOK2"));
    cmdOK2->setGeometry(108, 43, 107, 23);

    grdDataGrid = new SongGrid(m_client);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->setGeometry(0, gridTop, 663, 269);
    QFont designFont(QString::fromLatin1(designFontName));
    designFont.setPointSizeF(designFontSize);
    grdDataGrid->setGridFont(designFont);
    grdDataGrid->hide();

    adodc = new DataControl(m_client);
    adodc->setObjectName(QStringLiteral("adodc"));
    adodc->setRecordSet(m_records);
    adodc->setFixedHeight(dataControlHeight);

    picbuttons = new QWidget(m_client);
    picbuttons->setObjectName(QStringLiteral("picbuttons"));
    picbuttons->setAutoFillBackground(true);
    picbuttons->setPalette(greyPalette(picbuttons->palette(), lightGrey));
    picbuttons->setFixedHeight(buttonBarHeight);
    {
        QFont small = picbuttons->font();
        small.setPointSizeF(qMin(small.pointSizeF(), 8.0));
        picbuttons->setFont(small);
    }
    auto addButton = [this](QPushButton*& button, const char* name, const QString& caption, int left,
                            int width) {
        button = new QPushButton(caption, picbuttons);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(left, 2, width, 22);
    };
    addButton(cmddelete, "cmddelete", QStringLiteral("Delete record"), 0, 79);
    addButton(cmdadd, "cmdadd", QStringLiteral("Add record"), 80, 79);
    addButton(cmdrefresh, "cmdrefresh", QStringLiteral("Refresh"), 160, 79);
    addButton(cmdprint, "cmdprint", QStringLiteral("Print  it"), 239, 79);
    addButton(cmdDeleteDB, "cmdDeleteDB", QStringLiteral("Clear Database"), 318, 89);

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(cmdmakedb, &QToolButton::clicked, this, [this] { cmdmakedb_Click(); });
    connect(cmddelete, &QPushButton::clicked, this, [this] { cmddelete_Click(); });
    connect(cmdDeleteDB, &QPushButton::clicked, this, [this] { cmdDeleteDB_Click(); });
    connect(cmdadd, &QPushButton::clicked, this, [this] { cmdadd_Click(); });
    connect(cmdrefresh, &QPushButton::clicked, this, [this] { cmdrefresh_Click(); });
    connect(cmdprint, &QPushButton::clicked, this, [this] { cmdprint_Click(); });
    connect(grdDataGrid, &SongGrid::headClicked, this, [this](int column) { grdDataGrid_HeadClick(column); });
    connect(grdDataGrid, &SongGrid::currentCellChanged, this, [this] { grdDataGrid_RowColChange(); });
    connect(cbosearch, &QComboBox::activated, this, [this] { cbosearch_Click(); });
    // Enter in the text searches, as the button does.
    connect(txtField, &QLineEdit::returnPressed, this, [this] { dosearch(); });
    connect(cmdsearch, &QPushButton::clicked, this, [this] { cmdsearch_Click(); });
    connect(cmdOK2, &QPushButton::clicked, this, [this] { cmdOK2_Click(); });

    setTabOrder(Drive1, txtDrive);
    setTabOrder(txtDrive, cmdmakedb);
    setTabOrder(cmdmakedb, grdDataGrid);
}

void MainWindow::buildMenus()
{
    auto entry = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    QMenu* mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    mnusearch = entry(mnufile, "mnusearch", QStringLiteral("Field Search"));
    mnusearch->setShortcut(QKeySequence::Find);
    connect(mnusearch, &QAction::triggered, this, [this] { mnusearch_Click(); });
    // Opening and saving files has no meaning for a catalogue: the entries stay greyed.
    entry(mnufile, "mnuOpen", QStringLiteral("OpenFile"))->setEnabled(false);
    entry(mnufile, "mnusave", QStringLiteral("SaveFile"))->setEnabled(false);
    mnufile->addSeparator();
    mnuexit = entry(mnufile, "mnuexit", QStringLiteral("Exit"));
    mnuexit->setShortcut(QKeySequence::Quit);
    connect(mnuexit, &QAction::triggered, this, [this] { mnuexit_Click(); });

    QMenu* mnuoptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuoptions->setObjectName(QStringLiteral("mnuoptions"));
    mnufont = entry(mnuoptions, "mnufont", QStringLiteral("Font"));
    connect(mnufont, &QAction::triggered, this, [this] { mnufont_Click(); });
    mnuswap = entry(mnuoptions, "mnuswap", QStringLiteral("Swap Artist/Title"));
    connect(mnuswap, &QAction::triggered, this, [this] { mnuswap_Click(); });
    mnudupes = entry(mnuoptions, "mnudupes", QStringLiteral("Allow Duplicate entries"));
    mnudupes->setCheckable(true);
    connect(mnudupes, &QAction::triggered, this, [this] { mnudupes_Click(); });

    QMenu* mnuhelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuhelp->setObjectName(QStringLiteral("mnuhelp"));
    mnuabout = entry(mnuhelp, "mnuabout", QStringLiteral("About"));
    connect(mnuabout, &QAction::triggered, this, [this] { mnuabout_Click(); });
}

bool MainWindow::load()
{
    lineBreak = QStringLiteral("\r\n");
    PlayArmed = true;
    drawbackground();

    startupDrive = m_volumes->volumeOf(QDir::currentPath()).root;
    fillDriveList(startupDrive);
    startupDrive = Drive1->currentData().toString();
    m_lastDrive = startupDrive;

    dbFileName = Modini::databaseFileName;
    iniFileName = Modini::settingsFileName;
    m_programFolder = Modini::programFolder();

    const QString databasePath = m_programFolder + dbFileName;
    // A catalogue on a disc, or one whose file is marked read-only, is opened for reading
    // only: the engine then writes nothing into it, whoever runs the program.
    m_readOnly = QFileInfo(databasePath).isFile() && !catalogueWritable(databasePath);
    // One window per catalogue: two would overwrite each other's changes and wait on each
    // other's batches. A catalogue that cannot be written needs no such care.
    if (!m_readOnly && QFileInfo(databasePath).isFile()) {
        m_catalogueLock = std::make_unique<QLockFile>(databasePath + QStringLiteral(".lock"));
        // Held for as long as the window is open; only a dead owner's lock is taken over.
        m_catalogueLock->setStaleLockTime(0);
        if (!m_catalogueLock->tryLock(0)) {
            qint64 pid = 0;
            QString host, application;
            m_catalogueLock->getLockInfo(&pid, &host, &application);
            m_catalogueLock.reset();
            m_prompter->ask(QStringLiteral("The catalogue %1 is already open in another Trelmo window "
                                           "(process %2). Use that window, or close it and start again.")
                                .arg(databasePath)
                                .arg(pid));
            return false;
        }
    }
    // A large catalogue from an earlier build takes a few seconds to get its sort indexes.
    Failure opened;
    {
        BusyPointer busy;
        opened = openEngineConnection(databasePath);
    }
    if (const Failure failure = opened) {
        m_prompter->ask(failure.description);
        releaseCatalogue();
        return false;
    }

    m_records->setCatalogue(databasePath, m_readOnly);
    m_records->setRecordSource(RecordSource::defaultSource());

    grdDataGrid->setModel(m_model);
    grdDataGrid->setCaption(QStringLiteral("MP3 List"));

    if (m_readOnly) {
        m_writeRefusal =
            QStringLiteral("The catalogue %1 is read-only: nothing can be changed in it.").arg(databasePath);
        m_model->setReadOnly(true);
        m_prompter->ask(QStringLiteral("The catalogue %1 cannot be written (its file, its folder or its disc "
                                       "is read-only). You can browse, search, print and play; nothing "
                                       "can be changed.")
                            .arg(databasePath));
    }
    if (!m_records->isActive()) {
        if (const Failure failure = m_records->refresh()) {
            m_prompter->ask(failure.description);
            noteDamage(failure);
        }
    }
    if (m_records->recordCount() != 0)
        grdDataGrid->show();

    cbosearch->clear();
    cbosearch->addItems(FieldSearch::fields());
    cbosearch->setCurrentText(QStringLiteral("Artist"));

    placeWindow();

    txtDrive->setText(Drive1->currentText());

    if (!Modini::FileExists(m_programFolder + iniFileName))
        createSettings();
    else
        applySettings();
    return true;
}

void MainWindow::placeWindow()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    const QSize frameExtra = frameGeometry().size() - geometry().size();
    resize(int(area.width() * 0.82) - frameExtra.width(), int(area.height() * 0.82) - frameExtra.height());
    const QSize taken = size() + frameExtra;
    move(area.x() + int((area.width() - taken.width()) / 3.5),
         area.y() + (area.height() - taken.height()) / 5);
}

void MainWindow::createSettings()
{
    lastIniWrite = true;
    for (const ProfileKey& entry :
         {Entries::allowDuplicates, Entries::fontName, Entries::fontSize, Entries::columnOrder})
        lastIniWrite = profileWrite(entry.section, entry.key, QString(), settingsPath()) && lastIniWrite;
}

void MainWindow::applySettings()
{
    const QString get = QStringLiteral("GET");
    const bool swapped = Modini::ProfileEntry(get, Entries::columnOrder.section, Entries::columnOrder.key) ==
                         QLatin1String("Title");
    grdDataGrid->setColumnCaption(0, swapped ? QStringLiteral("Title") : QStringLiteral("Artist"));
    grdDataGrid->setColumnCaption(1, swapped ? QStringLiteral("Artist") : QStringLiteral("Title"));

    mnudupes->setChecked(Modini::ProfileEntry(get, Entries::allowDuplicates.section,
                                              Entries::allowDuplicates.key) == QLatin1String("Yes"));

    QFont font = grdDataGrid->gridFont();
    const QString name = Modini::ProfileEntry(get, Entries::fontName.section, Entries::fontName.key);
    if (!name.isEmpty()) {
        font.setFamily(name);
        fontDialogName = font.family();
    } else {
        font.setFamily(QString::fromLatin1(designFontName));
    }
    const QString size = Modini::ProfileEntry(get, Entries::fontSize.section, Entries::fontSize.key);
    if (!size.isEmpty()) {
        // A size that is no usable number of points keeps the font's size as it is.
        if (const std::optional<double> points = GridFont::parseSize(size)) {
            font.setPointSizeF(*points);
            fontDialogSize = font.pointSizeF();
        }
    } else {
        font.setPointSizeF(8);
    }
    grdDataGrid->setGridFont(font);
}

void MainWindow::resizeReaction()
{
    const int width = m_client->width();
    const int height = m_client->height();
    picbuttons->setGeometry(0, height - picbuttons->height(), width, picbuttons->height());
    adodc->setGeometry(0, height - picbuttons->height() - adodc->height(), width, adodc->height());
    const int gridHeight = height - adodc->height() - picbuttons->height() - gridGap;
    // Too small a window keeps the grid's last height.
    grdDataGrid->setGeometry(0, gridTop, width, gridHeight >= 0 ? gridHeight : grdDataGrid->height());
    adodc->raise();
    picbuttons->raise();
    drawbackground();
}

void MainWindow::drawbackground()
{
    m_client->update();
}

void MainWindow::releaseCatalogue()
{
    // A song typed into the new row is stored; one the catalogue refuses has been reported
    // once and is let go, so closing twice neither asks again nor reopens anything.
    if (!m_model->commitNewRow())
        m_model->discardNewRow();
    m_table.reset();
    m_db.reset();
    m_catalogueLock.reset();
    m_records->close();
}

Failure MainWindow::openEngineConnection(const QString& path)
{
    auto db = std::make_unique<Database>();
    auto table = std::make_unique<SongTable>();
    if (Failure failure = openEngine(*db, *table, path, m_readOnly))
        return failure;
    m_table = std::move(table);
    m_db = std::move(db);
    return {};
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_placedWithFrame)
        return;
    m_placedWithFrame = true;
    // Until the window manager has framed the window its frame counts as nothing: place
    // it again once the frame is known (a desktop without frames keeps the first place).
    auto* wait = new QTimer(this);
    auto tries = std::make_shared<int>(0);
    connect(wait, &QTimer::timeout, this, [this, wait, tries] {
        const bool framed = windowHandle() && !windowHandle()->frameMargins().isNull();
        if (framed)
            placeWindow();
        if (framed || ++*tries >= 50)
            wait->deleteLater();
    });
    wait->start(20);
}

void MainWindow::noteDamage(const Failure& failure)
{
    if (!isDamage(failure))
        return;
    m_writeRefusal =
        QStringLiteral("The catalogue is damaged (%1): nothing is written into it.").arg(failure.description);
    m_model->setReadOnly(true);
}

bool MainWindow::refuseWrite()
{
    if (m_writeRefusal.isEmpty())
        return false;
    m_prompter->ask(m_writeRefusal);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    releaseCatalogue();
    event->accept();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != this && widget->isVisible())
            widget->close();
    }
}

void MainWindow::mnuexit_Click()
{
    close();
}

void MainWindow::adodc_Error(int number, const QString& description)
{
    if (isBusy({number, description})) {
        m_prompter->ask(QStringLiteral("The catalogue is busy: another program is writing to it (%1). Your "
                                       "change stays in its cell; store it again once the catalogue is free.")
                            .arg(description));
        return;
    }
    m_prompter->ask(QStringLiteral(" adodc Data error event hit err:"));
}

void MainWindow::adodc_MoveComplete(EventReason reason)
{
    adodc->setCaption(QStringLiteral("Record: ") + QString::number(m_records->absolutePosition()));
    if (reason == EventReason::MoveFirst || reason == EventReason::MoveLast)
        PlayArmed = false;
}

void MainWindow::adodc_WillChangeRecord(EventReason reason)
{
    if (reason == EventReason::Delete)
        PlayArmed = false;
}

QString MainWindow::selectedRoot() const
{
    return Drive1->currentData().toString();
}

void MainWindow::fillDriveList(const QString& keep)
{
    m_driveList = m_volumes->volumes();
    QSignalBlocker quiet(Drive1);
    Drive1->clear();
    for (const Volume& v : std::as_const(m_driveList))
        Drive1->addItem(v.displayText(), v.root);
    for (const QString& folder : std::as_const(m_chosenFolders))
        Drive1->addItem(folder, folder);
    Drive1->addItem(QStringLiteral("Folder…"), QString());
    int index = Drive1->findData(keep);
    if (index < 0 || keep.isEmpty())
        index = Drive1->findData(startupDrive);
    Drive1->setCurrentIndex(qMax(0, index));
}

bool MainWindow::discReady(const QString& root, QString* label)
{
    if (m_chosenFolders.contains(root)) {
        *label = QFileInfo(root).fileName();
        return QFileInfo(root).isDir();
    }
    Volume volume;
    volume.root = root;
    return m_volumes->readLabel(volume, label);
}

void MainWindow::chooseFolderAsDisc()
{
    QString folder;
    if (!m_prompter->chooseFolder(&folder)) {
        fillDriveList(m_lastDrive);
        return;
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!m_chosenFolders.contains(folder))
        m_chosenFolders << folder;
    fillDriveList(folder);
    Drive1_Change();
}

void MainWindow::Drive1_Change()
{
    if (Drive1->currentIndex() < 0)
        return;
    if (selectedRoot().isEmpty()) {
        chooseFolderAsDisc();
        return;
    }
    for (;;) {
        const QString root = selectedRoot();
        QString label;
        if (discReady(root, &label)) {
            folderRoot = root;
            m_lastDrive = root;
            txtDrive->setText(label.isEmpty() ? QStringLiteral("NoLabel") : label);
            txtDrive->setFocus();
            txtDrive->setSelection(0, int(txtDrive->text().size()));
            return;
        }
        if (m_prompter->ask(QStringLiteral("Drive is not available"), Prompter::RetryCancel,
                            QStringLiteral("Drive Not Ready")) != Prompter::Retry) {
            returnToStartupDrive();
            return;
        }
    }
}

void MainWindow::returnToStartupDrive()
{
    const int index = Drive1->findData(startupDrive);
    if (index >= 0 && index != Drive1->currentIndex())
        Drive1->setCurrentIndex(index); // runs the drive change for it
}

bool MainWindow::retryStep(const std::function<Failure()>& step)
{
    for (;;) {
        const Failure failure = step();
        if (!failure)
            return true;
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (busy)
            QApplication::restoreOverrideCursor();
        const Prompter::Answer answer =
            m_prompter->ask(QStringLiteral("File collection error"), Prompter::RetryCancel,
                            QStringLiteral("Drive Not Ready"));
        if (answer != Prompter::Retry) {
            returnToStartupDrive();
            return false;
        }
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void MainWindow::cmdmakedb_Click()
{
    if (refuseWrite())
        return;
    QString root;
    const bool haveRoot = retryStep([&]() -> Failure {
        root = selectedRoot();
        if (root.isEmpty())
            return {FailureNumber::InvalidArgument, QStringLiteral("No drive is selected.")};
        // A disc taken out since it was chosen (its empty folder left behind) is not walked.
        QString label;
        if (!discReady(root, &label))
            return {FailureNumber::InvalidArgument, QStringLiteral("The disc is not in the drive.")};
        return {};
    });
    if (!haveRoot)
        return;
    folderRoot = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    QApplication::setOverrideCursor(Qt::WaitCursor);

    // A modal progress window keeps the user informed and offers a way out: it stops
    // after the current file, and what was stored stays stored.
    QProgressDialog progress(this);
    progress.setObjectName(QStringLiteral("scanProgress"));
    progress.setWindowTitle(QStringLiteral("Find MP3s"));
    progress.setLabelText(QStringLiteral("Reading %1").arg(folderRoot));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumWidth(420);
    progress.show();
    QCoreApplication::processEvents();

    CatalogueBuilder::Hooks hooks;
    hooks.allowDuplicates = [this] { return mnudupes->isChecked(); };
    hooks.report = [this](const QString& text) { m_prompter->ask(text); };
    hooks.progress = [&progress](const QString& folder, qint64 stored) {
        progress.setLabelText(QStringLiteral("Reading %1\n%2 songs stored").arg(folder).arg(stored));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    hooks.sorting = [&progress] {
        const QString sorting = QStringLiteral("\nSorting the catalogue");
        if (!progress.labelText().endsWith(sorting)) {
            progress.setLabelText(progress.labelText() + sorting);
            progress.setCancelButton(nullptr); // the rows are stored: there is nothing to cancel
        }
        QCoreApplication::processEvents();
    };
    if (!m_table) {
        // The last reopen was given up: the catalogue is asked for again, once.
        if (Failure failure = openEngineConnection(m_programFolder + dbFileName)) {
            progress.close();
            QApplication::restoreOverrideCursor();
            m_prompter->ask(walkFailureText(QStringLiteral("0"), failure.number, failure.description));
            returnToStartupDrive();
            return;
        }
    }
    m_table->setBatchInterval(1000);
    CatalogueBuilder builder(*m_table, duplicateCounter, hooks);
    builder.run(folderRoot, txtDrive->text());
    m_table->flush();
    m_table->setBatchInterval(0);
    progress.close();

    const QString databasePath = m_programFolder + dbFileName;
    const bool done = retryStep([&] { return openEngineConnection(databasePath); }) &&
                      retryStep([&] { return m_records->refresh(); });
    if (!done) {
        QApplication::restoreOverrideCursor();
        return;
    }
    if (m_records->recordCount() != 0)
        grdDataGrid->show();
    QApplication::restoreOverrideCursor();
    fillDriveList(Drive1->currentData().toString());
    returnToStartupDrive();
    adodc->setCaption(QStringLiteral("Record count= ") + QString::number(m_records->recordCount()));
}

void MainWindow::cmddelete_Click()
{
    if (refuseWrite())
        return;
    Failure failure = m_records->deleteCurrent();
    if (!failure)
        failure = m_records->moveNext();
    // Past the end: the new last row. Deleting the only row leaves none, and nothing to say.
    if (!failure && m_records->isEOF() && m_records->recordCount() > 0)
        failure = m_records->moveLast();
    if (failure)
        m_prompter->ask(QStringLiteral("Delete Error ") + failure.description);
}

void MainWindow::cmdDeleteDB_Click()
{
    if (refuseWrite())
        return;
    BusyPointer busy;
    Database own;
    qint64 songs = 0;
    Failure failure = own.open(m_programFolder + dbFileName);
    if (!failure)
        failure = countSongs(own, &songs);
    // A catalogue that took a shelf of discs to build is not wiped by one stray click.
    if (!failure && songs > 0 &&
        m_prompter->ask(songs == 1 ? QStringLiteral("Remove the 1 song from the catalogue?")
                                   : QStringLiteral("Remove all %1 songs from the catalogue?\n"
                                                    "This cannot be undone.")
                                         .arg(QLocale().toString(songs)),
                        Prompter::YesNo, QStringLiteral("Clear Database")) != Prompter::Yes)
        return;
    if (!failure)
        failure = clearSongs(own);
    if (!failure)
        failure = m_records->refresh();
    if (failure) {
        m_prompter->ask(QStringLiteral("Delete error ") + failure.description);
        return;
    }
    grdDataGrid->hide();
}

void MainWindow::cmdadd_Click()
{
    if (refuseWrite())
        return;
    PlayArmed = false;
    Failure failure = m_records->isActive() ? Failure() : m_records->refresh();
    if (!failure && m_records->recordCount() > 0)
        failure = m_records->moveLast();
    if (failure) {
        m_prompter->ask(QStringLiteral("Add error ") + failure.description);
        return;
    }
    // An empty catalogue can be filled by hand too: the grid comes up with its new row.
    grdDataGrid->show();
    grdDataGrid->setFocus();
    grdDataGrid->moveToNewRow();
}

void MainWindow::cmdrefresh_Click()
{
    rsrefresh();
}

void MainWindow::rsrefresh()
{
    BusyPointer busy;
    if (const Failure failure = m_records->refresh()) {
        m_prompter->ask(failure.description);
        noteDamage(failure);
    }
}

void MainWindow::grdDataGrid_HeadClick(int ColIndex)
{
    BusyPointer busy;
    if (const Failure failure = m_records->requery(ColumnSort::sourceFor(ColIndex)))
        m_prompter->ask(failure.description);
}

void MainWindow::mnusearch_Click()
{
    Frame2->show();
    frafind->hide();
}

void MainWindow::cbosearch_Click()
{
    txtField->setFocus();
}

void MainWindow::cmdsearch_Click()
{
    dosearch();
}

void MainWindow::dosearch()
{
    const QString text = txtField->text();
    if (text.isEmpty())
        return;
    RecordSource source;
    Failure failure = FieldSearch::sourceFor(cbosearch->currentText(), text, &source);
    if (!failure) {
        BusyPointer busy;
        failure = m_records->requery(source);
    }
    // The panel, its field and text and the rows shown stay as they were.
    if (failure) {
        m_prompter->ask(failure.description);
        return;
    }
    if (m_records->recordCount() != 0)
        return;
    Frame2->hide();
    txtField->clear();
    cbosearch->setCurrentText(QStringLiteral("Artist"));
    m_prompter->ask(QStringLiteral(" No selections found"));
    showWholeCatalogue();
}

void MainWindow::cmdOK2_Click()
{
    Frame2->hide();
    frafind->show();
    txtField->clear();
    cbosearch->setCurrentText(QStringLiteral("Artist"));
    showWholeCatalogue();
}

void MainWindow::showWholeCatalogue()
{
    BusyPointer busy;
    if (const Failure failure = m_records->requery(RecordSource::defaultSource()))
        m_prompter->ask(failure.description);
}

void MainWindow::mnuswap_Click()
{
    const bool normal = grdDataGrid->columnCaption(0) == QLatin1String("Artist");
    const QString first = normal ? QStringLiteral("Title") : QStringLiteral("Artist");
    const QString second = normal ? QStringLiteral("Artist") : QStringLiteral("Title");
    grdDataGrid->setColumnCaption(0, first);
    grdDataGrid->setColumnCaption(1, second);
    // A failed write goes unreported: the captions have changed all the same.
    profileWrite(Entries::columnOrder.section, Entries::columnOrder.key, first, settingsPath());
}

void MainWindow::mnudupes_Click()
{
    // The entry has flipped its check mark on the click; the mark stays flipped even when
    // the settings file refuses it.
    const QString value = mnudupes->isChecked() ? QStringLiteral("Yes") : QStringLiteral("No");
    if (!profileWrite(Entries::allowDuplicates.section, Entries::allowDuplicates.key, value, settingsPath()))
        m_prompter->ask(QStringLiteral("OOPs an error writing INI file"));
}

void MainWindow::grdDataGrid_RowColChange()
{
    if (PrintInProgress || m_reacting)
        return;
    QScopedValueRollback<bool> reacting(m_reacting, true);
    if (grdDataGrid->currentColumn() == SongModel::OnCdColumn)
        toggleOnCd();
    else
        playCurrentRow();
}

void MainWindow::toggleOnCd()
{
    if (refuseWrite())
        return;
    const QModelIndex cell = m_model->index(grdDataGrid->currentRow(), SongModel::OnCdColumn);
    const QString mark =
        cell.data().toString() == QLatin1String("NotYet") ? QStringLiteral("Yes") : QStringLiteral("NotYet");
    grdDataGrid->setCurrentColumn(1);
    if (const Failure failure = m_model->storeCell(cell, mark))
        m_prompter->ask(QStringLiteral("Unexpected error, call Orlen ") + failure.description);
}

void MainWindow::playCurrentRow()
{
    const int row = grdDataGrid->currentRow();
    if (row < 0) {
        m_prompter->ask(QStringLiteral("Unexpected error, call Orlen There is no current row."));
        return;
    }
    auto cell = [&](int column) { return m_model->index(row, column).data().toString(); };
    // A song still being typed into the new row has no file yet.
    const PlayRow song = row == m_model->newRow() ? PlayRow() : PlayRow{cell(0), cell(1), cell(3), cell(6)};
    PlayReaction::Hooks hooks;
    hooks.probe = [](const QString& path) { return probePath(path); };
    hooks.open = [](const QString& path) { Modini::ShellOpenFile(path); };
    hooks.retry = [this](const QString& prompt) {
        return m_prompter->ask(prompt, Prompter::RetryCancel, QStringLiteral("Check CD")) == Prompter::Retry;
    };
    hooks.volumeRoot = [this](const QString& folder) { return m_volumes->volumeOf(folder).root; };
    PlayReaction(hooks, lineBreak).play(song, PlayArmed);
    PlayArmed = true;
}

void MainWindow::cmdprint_Click()
{
    QScopedValueRollback<bool> printing(PrintInProgress, true);
    QPrinter printer(QPrinter::HighResolution);
    if (!m_prompter->choosePrinter(printer))
        return;
    if (m_records->recordCount() == 0)
        return;
    BusyPointer busy;
    QProgressDialog progress(QStringLiteral("Printing the listing"), QStringLiteral("Cancel"), 0,
                             int(qMin<qint64>(m_records->recordCount(), INT_MAX)), this);
    progress.setWindowTitle(QStringLiteral("Print  it"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    auto pageDone = [&progress](qint64 rows) {
        progress.setValue(int(qMin<qint64>(rows, INT_MAX)));
        return !progress.wasCanceled();
    };
    // Nothing half-printed is kept: a stopped or failed job is cancelled, its file removed.
    const Listing::Result result = Listing::print(*m_records, printer, grdDataGrid->gridFont(), pageDone,
                                                  [&printer] { printer.abort(); });
    progress.close();
    const bool failed = result.deviceFailed || printer.printerState() == QPrinter::Error;
    if (!failed && !result.abandoned)
        return;
    if (!printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
    if (failed) {
        m_prompter->ask(
            QStringLiteral("The listing was not printed: ") +
            (printer.outputFileName().isEmpty()
                 ? QStringLiteral("the printer \"%1\" refused the job.").arg(printer.printerName())
                 : QStringLiteral("the file \"%1\" could not be written.").arg(printer.outputFileName())));
    }
}

void MainWindow::mnufont_Click()
{
    const QString get = QStringLiteral("GET");
    const QFont preset =
        GridFont::dialogPreset(Modini::ProfileEntry(get, Entries::fontName.section, Entries::fontName.key),
                               Modini::ProfileEntry(get, Entries::fontSize.section, Entries::fontSize.key));
    QFont chosen;
    if (!m_prompter->chooseFont(preset, &chosen))
        return;
    QFont font = grdDataGrid->gridFont();
    font.setFamily(chosen.family());
    font.setPointSizeF(chosen.pointSizeF());
    grdDataGrid->setGridFont(font);
    lastIniWrite =
        profileWrite(Entries::fontName.section, Entries::fontName.key, chosen.family(), settingsPath());
    const bool sizeWritten = profileWrite(Entries::fontSize.section, Entries::fontSize.key,
                                          GridFont::sizeText(chosen.pointSizeF()), settingsPath());
    if (m_records->refresh())
        return;
    if (!lastIniWrite)
        m_prompter->ask(QStringLiteral("Error writing FontName"));
    else if (!sizeWritten)
        m_prompter->ask(QStringLiteral("Error writing FontSize"));
}

void MainWindow::mnuabout_Click()
{
    if (!frmAbout)
        frmAbout = new AboutBox(m_prompter, this);
    frmAbout->show();
    frmAbout->raise();
    frmAbout->activateWindow();
}
