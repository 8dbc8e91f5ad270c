#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/buildjob.h"
#include "app/busypointer.h"
#include "app/buttonbar.h"
#include "app/cataloguesession.h"
#include "app/catalogueundo.h"
#include "app/clientarea.h"
#include "app/deletejobs.h"
#include "app/discjobs.h"
#include "app/drivepanel.h"
#include "app/duplicatesview.h"
#include "app/exportjob.h"
#include "app/jobrunner.h"
#include "app/look.h"
#include "app/optionsmenu.h"
#include "app/pictures.h"
#include "app/playalljob.h"
#include "app/playtimejob.h"
#include "app/printjob.h"
#include "app/prompter.h"
#include "app/recordbar.h"
#include "app/searchpanel.h"
#include "app/songgrid.h"
#include "app/songplayer.h"
#include "app/totalsbar.h"
#include "browse/columnsort.h"
#include "output/gridfont.h"
#include "scan/mountwatch.h"
#include "store/recordset.h"
#include "store/songmodel.h"
#include "store/songquery.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int gridTop = 82;
constexpr int gridGap = 81; // the grid ends this far above the bars
constexpr int recordBarHeight = 22;

} // namespace

MainWindow::MainWindow(const QString& programFolder, Prompter* prompter, VolumeSource* volumes,
                       QWidget* parent)
    : QMainWindow(parent), m_prompter(prompter), m_volumes(volumes),
      m_mountWatch(new MountWatch(QStringLiteral("/proc/self/mountinfo"), this)),
      m_settings(programFolder + QStringLiteral("/trelmo.ini"),
                 [prompter](const QString& message) { prompter->ask(message); }),
      m_session(new CatalogueSession(programFolder + QStringLiteral("/adomp3.mdb"), prompter, this)),
      m_jobs(new JobRunner(prompter, this)), m_context{m_session, prompter, volumes, m_jobs}
{
    registerPictures();
    setObjectName(QStringLiteral("frmmp3"));
    setWindowTitle(QStringLiteral("Trelmo"));
    m_background = QPixmap(QStringLiteral(":/background.jpg"));
    buildClientArea();
    buildMenus();
    // The player hears the record set's moves before the grid turns them into cell changes.
    m_songPlayer = new SongPlayer(m_grid, m_session, prompter, volumes, m_mountWatch, this);
    m_grid->setModel(m_session->model());
    m_grid->setCaption(QStringLiteral("MP3 List"));
    createCommands();
    // At the foot: where else the current song is, and what the rows shown (and selected) hold.
    m_totalsBar = new TotalsBar(m_session->databasePath(), m_session->records(), m_grid, this);
    m_alsoOn = DuplicatesView::alsoOnLabel(this);
    statusBar()->addPermanentWidget(m_alsoOn);
    statusBar()->addPermanentWidget(m_totalsBar);
    connectCommands();
}

void MainWindow::createCommands()
{
    m_printJob = std::make_unique<PrintJob>(m_context);
    m_buildJob = std::make_unique<BuildJob>(m_context);
    m_playTimeJob = std::make_unique<PlayTimeJob>(m_context);
    m_exportJob = std::make_unique<ExportJob>(m_context, &m_settings);
    m_playAllJob = std::make_unique<PlayAllJob>(m_context);
    const auto showChanges = [this](const QString& done) { showChangedDiscs(done); };
    m_undo = new CatalogueUndo(m_context, m_undoAction, showChanges, this);
    m_deleteJobs = std::make_unique<DeleteJobs>(m_context, m_undo, [this](const QString& done) {
        statusBar()->showMessage(done);
        if (m_session->records()->recordCount() == 0)
            m_grid->hide();
        m_discJobs->recount();
    });
    DiscJobs::Hooks discHooks;
    discHooks.reading = [this] { return songReading(); };
    discHooks.finished = showChanges;
    m_discJobs = std::make_unique<DiscJobs>(m_context, m_buildJob.get(), m_undo, std::move(discHooks));
    m_duplicatesView =
        std::make_unique<DuplicatesView>(m_context, &m_settings, [this] { showGridWhenRows(); });
}

MainWindow::~MainWindow()
{
    m_jobs->stop();
    m_session->close();
}

RecordSet* MainWindow::records() const
{
    return m_session->records();
}

void MainWindow::buildClientArea()
{
    m_client = new ClientArea(
        m_background, [this] { layoutClientArea(); }, this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    Look::fill(m_client, Look::lightGrey);
    setCentralWidget(m_client);
    resize(659, 397);

    m_titleLabel = new QLabel(QStringLiteral("Trelmo"), m_client);
    m_titleLabel->setObjectName(QStringLiteral("lbltitle"));
    m_titleLabel->setFont(QFont(QStringLiteral("Times New Roman"), 36, QFont::Bold));
    QPalette titlePalette = m_titleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, Qt::blue);
    m_titleLabel->setPalette(titlePalette);
    m_titleLabel->setGeometry(236, 10, 392, 67);

    m_drivePanel = new DrivePanel(m_prompter, m_volumes, m_client);
    m_searchPanel = new SearchPanel(m_session->records(), m_prompter, &m_settings, m_client);
    m_searchPanel->hide();

    m_grid = new SongGrid(m_client);
    m_grid->setObjectName(QStringLiteral("grdDataGrid"));
    m_grid->setGeometry(0, gridTop, 663, 269);
    m_grid->setGridFont(GridFont::designFont());
    m_grid->hide();

    m_recordBar = new RecordBar(m_client);
    m_recordBar->setObjectName(QStringLiteral("adodc"));
    m_recordBar->attach(m_session->records(), m_grid);
    m_recordBar->setFixedHeight(recordBarHeight);

    m_buttonBar = new ButtonBar(m_client);
    // Where a build says what it did, in a line; there from the start, so nothing moves then.
    statusBar()->setObjectName(QStringLiteral("statusBar"));
}

void MainWindow::buildMenus()
{
    auto entry = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("mnufile"));
    m_undoAction = entry(fileMenu, "mnuundo", QStringLiteral("Undo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    // Whether the catalogue was written since is looked at whenever the menu opens.
    connect(fileMenu, &QMenu::aboutToShow, this, [this] { m_undo->retireIfChanged(); });
    fileMenu->addSeparator();
    m_searchAction = entry(fileMenu, "mnusearch", QStringLiteral("Field Search"));
    m_searchAction->setShortcut(QKeySequence::Find);
    m_exportAction = entry(fileMenu, "mnuexport", QStringLiteral("Export…"));
    m_exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_playAllAction = entry(fileMenu, "mnuplayall", QStringLiteral("Play All Shown"));
    m_playAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_discsAction = entry(fileMenu, "mnudiscs", QStringLiteral("Discs…"));
    m_discsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_showDuplicatesAction = entry(fileMenu, "mnushowdupes", QStringLiteral("Show Duplicates"));
    m_showDuplicatesAction->setCheckable(true);
    m_duplicatesOnOneDiscAction =
        entry(fileMenu, "mnudupesonedisc", QStringLiteral("Duplicates on One Disc Too"));
    m_duplicatesOnOneDiscAction->setCheckable(true);
    // Opening and saving files has no meaning for a catalogue: the entries stay greyed.
    entry(fileMenu, "mnuOpen", QStringLiteral("OpenFile"))->setEnabled(false);
    entry(fileMenu, "mnusave", QStringLiteral("SaveFile"))->setEnabled(false);
    fileMenu->addSeparator();
    m_exitAction = entry(fileMenu, "mnuexit", QStringLiteral("Exit"));
    m_exitAction->setShortcut(QKeySequence::Quit);

    m_options = new OptionsMenu(&m_settings, this);
    menuBar()->addMenu(m_options);

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("mnuhelp"));
    connect(entry(helpMenu, "mnuqueries", QStringLiteral("Queries")), &QAction::triggered, this,
            [this] { m_prompter->ask(SongQuery::help(), Prompter::OkOnly, QStringLiteral("Queries")); });
    m_aboutAction = entry(helpMenu, "mnuabout", QStringLiteral("About"));
}

void MainWindow::connectCommands()
{
    connect(m_drivePanel, &DrivePanel::scanRequested, this, &MainWindow::scanSelectedDrive);
    // The drive list follows discs as they come and go.
    connect(m_mountWatch, &MountWatch::changed, m_drivePanel, &DrivePanel::refresh);
    connect(m_searchPanel, &SearchPanel::finished, m_drivePanel, &QWidget::show);
    connect(m_searchPanel, &SearchPanel::said, statusBar(),
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(m_grid, &SongGrid::headClicked, this, &MainWindow::sortByColumn);
    connect(m_grid, &SongGrid::currentCellChanged, m_songPlayer, &SongPlayer::onCurrentCellChanged);
    // The bar says where the cursor is after every change of rows or of the current row.
    RecordSet* records = m_session->records();
    connect(records, &RecordSet::resetDone, this, &MainWindow::showRecordPosition);
    connect(records, &RecordSet::rowRemoved, this, &MainWindow::showRecordPosition);
    connect(records, &RecordSet::rowAppended, this, &MainWindow::showRecordPosition);
    connect(records, &RecordSet::moveComplete, this, &MainWindow::showRecordPosition);
    connect(m_grid, &SongGrid::currentCellMoved, this, &MainWindow::showRecordPosition);

    connect(m_buttonBar, &ButtonBar::deleteClicked, this, &MainWindow::deleteRows);
    connect(m_buttonBar, &ButtonBar::addClicked, this, &MainWindow::addRow);
    connect(m_buttonBar, &ButtonBar::refreshClicked, this,
            [this] { m_duplicatesView->showRowsAgain(false); });
    connect(m_buttonBar, &ButtonBar::clearClicked, this, &MainWindow::clearCatalogue);
    connect(m_buttonBar, &ButtonBar::printClicked, this,
            [this] { m_printJob->start(*m_session->records(), m_grid->gridFont()); });
    connect(m_jobs, &JobRunner::runningChanged, this, [this](bool running) {
        enableCommands(!running);
        if (running)
            statusBar()->clearMessage();
    });

    connect(m_searchAction, &QAction::triggered, this, &MainWindow::openSearchPanel);
    connect(m_exportAction, &QAction::triggered, this, [this] { m_exportJob->start(); });
    connect(m_playAllAction, &QAction::triggered, this, [this] { m_playAllJob->start(); });
    connect(m_discsAction, &QAction::triggered, this, &MainWindow::showDiscs);
    m_duplicatesView->attach(m_showDuplicatesAction, m_duplicatesOnOneDiscAction);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_options->fontEntry(), &QAction::triggered, this, &MainWindow::chooseGridFont);
    connect(m_options->swapEntry(), &QAction::triggered, this, &MainWindow::swapArtistAndTitle);
    // A build reads the mark at each song already stored, from its own thread.
    connect(m_options->duplicatesEntry(), &QAction::toggled, this,
            [this](bool allow) { m_buildJob->setAllowDuplicates(allow); });
    connect(m_options->fillPlayTimesEntry(), &QAction::triggered, this,
            [this] { m_playTimeJob->start(m_options->songReading().allFormats); });
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::showAboutBox);
}

bool MainWindow::load()
{
    m_songPlayer->arm();
    m_drivePanel->start();
    if (!m_session->open())
        return false;
    showGridWhenRows();
    placeWindow();
    if (m_settings.exists())
        applySettings();
    else
        m_settings.createEmpty();
    return true;
}

void MainWindow::applySettings()
{
    m_grid->setTitleFirst(m_settings.titleFirst());
    m_options->applySettings();
    m_grid->setGridFont(
        GridFont::fromStored(m_grid->gridFont(), m_settings.fontName(), m_settings.fontSize()));
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

void MainWindow::layoutClientArea()
{
    const int width = m_client->width();
    const int height = m_client->height();
    m_buttonBar->setGeometry(0, height - m_buttonBar->height(), width, m_buttonBar->height());
    m_recordBar->setGeometry(0, height - m_buttonBar->height() - m_recordBar->height(), width,
                             m_recordBar->height());
    const int gridHeight = height - m_recordBar->height() - m_buttonBar->height() - gridGap;
    // Too small a window keeps the grid's last height.
    m_grid->setGeometry(0, gridTop, width, gridHeight >= 0 ? gridHeight : m_grid->height());
    m_recordBar->raise();
    m_buttonBar->raise();
    m_client->update();
}

bool MainWindow::event(QEvent* event)
{
    // A menu entry without a tip of its own would wipe the line a command left in the status
    // bar (what a build did); it stays until the next command.
    if (event->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(event)->tip().isEmpty())
        return true;
    return QMainWindow::event(event);
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

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A job still running stops after its current step; what it stored stays stored.
    m_jobs->stop();
    m_session->close();
    event->accept();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != this && widget->isVisible())
            widget->close();
    }
}

void MainWindow::scanSelectedDrive()
{
    if (m_jobs->isRunning() || m_session->refuseWrite(false))
        return;
    QString root;
    const bool started =
        m_buildJob->retry([&] { return m_drivePanel->selectedDisc(&root); }) &&
        m_buildJob->confirmFolder(root) &&
        m_buildJob->start(root, m_drivePanel->discName(), m_volumes->volumeOf(root), songReading(),
                          [this](bool built, const QString& summary) { showBuiltCatalogue(built, summary); });
    if (!started)
        m_drivePanel->returnToStartupDrive();
}

SongReading MainWindow::songReading() const
{
    return m_options->songReading();
}

void MainWindow::offerNewCatalogue()
{
    m_session->setOfferToCreate(true);
}

void MainWindow::showDiscs()
{
    m_discJobs->showWindow(this, m_mountWatch, &m_settings);
}

void MainWindow::deleteRows()
{
    const std::vector<qint64> selected = m_grid->selectedRows();
    if (selected.empty())
        m_session->deleteCurrentRow();
    else
        m_deleteJobs->deleteRows(selected);
}

void MainWindow::showChangedDiscs(const QString& done)
{
    if (done.isEmpty())
        return;
    statusBar()->showMessage(done);
    m_duplicatesView->showRowsAgain(true);
    m_grid->setVisible(m_session->records()->recordCount() != 0);
    m_recordBar->setCaption(QStringLiteral("Record count= ") +
                            QString::number(m_session->records()->recordCount()));
    m_discJobs->recount();
}

void MainWindow::showBuiltCatalogue(bool built, const QString& summary)
{
    m_discJobs->recount();
    // Beside the record bar's count, until the next command: no box, nothing to answer.
    statusBar()->showMessage(summary);
    if (built) {
        showGridWhenRows();
        m_drivePanel->refresh();
        m_recordBar->setCaption(QStringLiteral("Record count= ") +
                                QString::number(m_session->records()->recordCount()));
    }
    m_drivePanel->returnToStartupDrive();
}

void MainWindow::showGridWhenRows()
{
    if (m_session->records()->recordCount() != 0)
        m_grid->show();
}

void MainWindow::enableCommands(bool enabled)
{
    m_session->setJobRunning(!enabled);
    m_drivePanel->setScanEnabled(enabled);
    m_buttonBar->setWriteCommandsEnabled(enabled);
    for (QAction* action : {m_exportAction, m_playAllAction, m_options->fillPlayTimesEntry()})
        action->setEnabled(enabled);
}

void MainWindow::addRow()
{
    if (m_session->refuseWrite())
        return;
    if (!m_session->prepareNewRow())
        return;
    // An empty catalogue can be filled by hand too: the grid comes up with its new row.
    m_grid->show();
    m_grid->setFocus();
    m_grid->moveToNewRow();
}

void MainWindow::clearCatalogue()
{
    m_deleteJobs->clearAll();
}

void MainWindow::sortByColumn(int column)
{
    if (m_session->records()->recordSource().kind == RecordSource::Kind::Duplicates)
        return m_duplicatesView->sortBy(ColumnSort::orderFor(column));
    BusyPointer busy;
    if (const Failure failure = m_session->records()->requery(ColumnSort::sourceFor(column)))
        m_prompter->ask(failure.description);
}

void MainWindow::openSearchPanel()
{
    m_searchPanel->show();
    m_drivePanel->hide();
}

void MainWindow::swapArtistAndTitle()
{
    const bool titleFirst = !m_grid->isTitleFirst();
    m_grid->setTitleFirst(titleFirst);
    m_settings.setTitleFirst(titleFirst);
}

void MainWindow::chooseGridFont()
{
    QFont chosen;
    if (!m_prompter->chooseFont(GridFont::dialogPreset(m_settings.fontName(), m_settings.fontSize()),
                                &chosen))
        return;
    QFont font = m_grid->gridFont();
    font.setFamily(chosen.family());
    font.setPointSizeF(chosen.pointSizeF());
    m_grid->setGridFont(font);
    m_settings.setFont(chosen.family(), chosen.pointSizeF());
    m_session->refresh();
}

void MainWindow::showAboutBox()
{
    if (!m_aboutBox)
        m_aboutBox = new AboutBox(m_prompter,
                                  QStringLiteral("Catalogue: %1\nSettings: %2")
                                      .arg(QDir::toNativeSeparators(m_session->databasePath()),
                                           QDir::toNativeSeparators(m_settings.path())),
                                  this);
    m_aboutBox->show();
    m_aboutBox->raise();
    m_aboutBox->activateWindow();
}

void MainWindow::showRecordPosition()
{
    const RecordSet* records = m_session->records();
    // No rows, no position; the new row below the last counts as the row it is.
    const int row = m_grid->currentRow();
    const qint64 position = records->recordCount() == 0                       ? 0
                            : row >= 0 && row == m_session->model()->newRow() ? row + 1
                                                                              : records->absolutePosition();
    m_recordBar->setCaption(QStringLiteral("Record: ") + QString::number(position));
    DuplicatesView::showAlsoOn(m_alsoOn, *m_session->records(), row >= 0 ? row : -1);
}
