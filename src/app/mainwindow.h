#pragma once

#include "scan/volumes.h"
#include "store/database.h"
#include "store/songtable.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QLockFile;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class AboutBox;
class DataControl;
class Prompter;
class RecordSet;
class SongGrid;
class SongModel;
enum class EventReason;

// The main window: the catalogue grid, the scan panel, the search panel, the
// record-set bar and the button bar.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // `prompter` answers every message box; `volumes` lists the drives.
    MainWindow(Prompter* prompter, VolumeSource* volumes, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up proper: opens the catalogue, fills the controls, sizes the window and
    // reads (or creates) the settings file. False when the catalogue cannot be opened;
    // the engine's text has then been shown.
    bool load();

    // The grid's rule on every change of size: it fills the band between the title band
    // and the bottom bars.
    void resizeReaction();

    RecordSet* records() const { return m_records; }
    SongGrid* grid() const { return grdDataGrid; }
    DataControl* dataControl() const { return adodc; }
    QString programFolder() const { return m_programFolder; }
    const QPixmap& background() const { return m_background; }

    // State kept while the window lives.
    QString lineBreak;
    bool PlayArmed = false;
    bool PrintInProgress = false;
    QString startupDrive;
    QString dbFileName;
    QString iniFileName;
    bool lastIniWrite = true;
    qint64 duplicateCounter = 0;
    QString folderRoot;
    QString fontDialogName;
    double fontDialogSize = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void placeWindow();
    void createSettings();
    void applySettings();
    void releaseCatalogue();
    Failure openEngineConnection(const QString& path);
    // A catalogue found damaged is written no more; the engine's text has been shown.
    void noteDamage(const Failure& failure);
    // True, after saying why, when the catalogue must not be written.
    bool refuseWrite();
    void drawbackground();

    void mnuexit_Click();
    void Drive1_Change();
    void cmdmakedb_Click();
    // Runs `step` until it succeeds or the user gives up ("File collection error");
    // false when the user cancelled.
    bool retryStep(const std::function<Failure()>& step);
    void returnToStartupDrive();
    // Reads the mounted volumes again and selects `keep` when it is still there (else the
    // start-up drive), without running the drive change.
    void fillDriveList(const QString& keep);
    // Whether the disc at `root` can be read, and the name it proposes for itself.
    bool discReady(const QString& root, QString* label);
    void chooseFolderAsDisc();
    QString selectedRoot() const;
    void adodc_Error(int number, const QString& description);
    void adodc_MoveComplete(EventReason reason);
    void adodc_WillChangeRecord(EventReason reason);

    void cmddelete_Click();
    void cmdDeleteDB_Click();
    void cmdadd_Click();
    void cmdrefresh_Click();
    void rsrefresh();
    void grdDataGrid_HeadClick(int ColIndex);
    void mnusearch_Click();
    void cbosearch_Click();
    void cmdsearch_Click();
    void dosearch();
    void cmdOK2_Click();
    // The whole catalogue in the default order again, as the search panel leaves it.
    void showWholeCatalogue();
    void mnuswap_Click();
    void mnudupes_Click();
    void cmdprint_Click();
    void mnufont_Click();
    void mnuabout_Click();
    void grdDataGrid_RowColChange();
    void toggleOnCd();
    void playCurrentRow();
    QString settingsPath() const { return m_programFolder + iniFileName; }

    Prompter* m_prompter;
    VolumeSource* m_volumes;
    QString m_programFolder;
    QPixmap m_background;

    // The engine connection; a new one replaces it only once it is open.
    std::unique_ptr<Database> m_db;
    std::unique_ptr<SongTable> m_table;
    std::unique_ptr<QLockFile> m_catalogueLock; // one window per catalogue
    RecordSet* m_records;
    SongModel* m_model;
    QList<Volume> m_driveList;
    QStringList m_chosenFolders; // folders picked through "Folder…", listed after the volumes
    QString m_lastDrive;         // the drive list's last choice that was ready
    bool m_reacting = false;     // inside the grid's cell-change reaction
    bool m_placedWithFrame = false;
    bool m_readOnly = false; // the catalogue file cannot be written
    QString m_writeRefusal;  // why nothing may be written, when it may not

    QWidget* m_client = nullptr;
    QLabel* lbltitle = nullptr;
    QGroupBox* frafind = nullptr;
    QComboBox* Drive1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtDrive = nullptr;
    QToolButton* cmdmakedb = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* cbosearch = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtField = nullptr;
    QPushButton* cmdsearch = nullptr;
    QPushButton* cmdOK2 = nullptr;
    SongGrid* grdDataGrid = nullptr;
    DataControl* adodc = nullptr;
    QWidget* picbuttons = nullptr;
    QPushButton* cmddelete = nullptr;
    QPushButton* cmdadd = nullptr;
    QPushButton* cmdrefresh = nullptr;
    QPushButton* cmdprint = nullptr;
    QPushButton* cmdDeleteDB = nullptr;
    QAction* mnusearch = nullptr;
    QAction* mnufont = nullptr;
    QAction* mnuabout = nullptr;
    QPointer<AboutBox> frmAbout;
    QAction* mnuswap = nullptr;
    QAction* mnudupes = nullptr;
    QAction* mnuexit = nullptr;
};
