#pragma once

#include "app/commandcontext.h"
#include "scan/folderreader.h"
#include "settings/settings.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <memory>

class AboutBox;
class BuildJob;
class DeleteJobs;
class CatalogueUndo;
class ButtonBar;
class CatalogueSession;
class DiscJobs;
class DiscsWindow;
class DuplicatesView;
class TotalsBar;
class DrivePanel;
class MountWatch;
class ExportJob;
class JobRunner;
class PlayAllJob;
class PlayTimeJob;
class PrintJob;
class Prompter;
class QAction;
class OptionsMenu;
class QLabel;
class RecordBar;
class RecordSet;
class SearchPanel;
class SongGrid;
class SongPlayer;
class VolumeSource;

// The main window: the title, the drive panel (or the search panel in its place), the
// catalogue grid, the record bar and the button bar, and the menus. It owns the classes
// that do the work and connects them; each command is a handler of a few lines.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The catalogue and the settings file lie in `programFolder`; `prompter` answers every
    // dialog and `volumes` lists the drives.
    MainWindow(const QString& programFolder, Prompter* prompter, VolumeSource* volumes,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the catalogue, fills the controls, places the window and reads the settings
    // (or makes the settings file). False when the catalogue cannot be used; why has been said.
    bool load();

    RecordSet* records() const;
    SongGrid* grid() const { return m_grid; }
    RecordBar* recordBar() const { return m_recordBar; }
    DrivePanel* drivePanel() const { return m_drivePanel; }
    SongPlayer* songPlayer() const { return m_songPlayer; }
    MountWatch* mountWatch() const { return m_mountWatch; }
    JobRunner* jobs() const { return m_jobs; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildClientArea();
    void buildMenus();
    // The classes that run the window's commands.
    void createCommands();
    void connectCommands();
    // The grid fills the band between the title band and the bars at the foot.
    void layoutClientArea();
    void placeWindow();
    void applySettings();

    void scanSelectedDrive();
    // What a build reads of each song besides its name, as the Options menu says now.
    SongReading songReading() const;
    void showDiscs();

public:
    // A missing catalogue is offered to be made, not only reported.
    void offerNewCatalogue();

private:
    // Deletes the rows selected by their heads, or else the current row.
    void deleteRows();
    void showChangedDiscs(const QString& done);
    void showBuiltCatalogue(bool built, const QString& summary);
    // The grid is hidden while there is nothing to show.
    void showGridWhenRows();
    // While a job runs, the commands that would write or start another job are off.
    void enableCommands(bool enabled);
    void addRow();
    void clearCatalogue();
    void sortByColumn(int column);
    void openSearchPanel();
    void swapArtistAndTitle();
    void chooseGridFont();
    void showAboutBox();
    void showRecordPosition();

    Prompter* m_prompter;
    VolumeSource* m_volumes;
    MountWatch* m_mountWatch;
    Settings m_settings;
    QPixmap m_background;
    bool m_placedWithFrame = false;

    CatalogueSession* m_session;
    JobRunner* m_jobs;
    CommandContext m_context; // what every command of the window works with
    std::unique_ptr<PrintJob> m_printJob;
    std::unique_ptr<BuildJob> m_buildJob;
    std::unique_ptr<PlayTimeJob> m_playTimeJob;
    std::unique_ptr<ExportJob> m_exportJob;
    std::unique_ptr<PlayAllJob> m_playAllJob;
    CatalogueUndo* m_undo = nullptr;
    std::unique_ptr<DeleteJobs> m_deleteJobs;
    std::unique_ptr<DiscJobs> m_discJobs;
    std::unique_ptr<DuplicatesView> m_duplicatesView;
    SongPlayer* m_songPlayer = nullptr;

    QWidget* m_client = nullptr;
    QLabel* m_titleLabel = nullptr;
    DrivePanel* m_drivePanel = nullptr;
    SearchPanel* m_searchPanel = nullptr;
    SongGrid* m_grid = nullptr;
    RecordBar* m_recordBar = nullptr;
    ButtonBar* m_buttonBar = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_searchAction = nullptr;
    QAction* m_exportAction = nullptr;
    QAction* m_playAllAction = nullptr;
    QAction* m_discsAction = nullptr;
    QAction* m_showDuplicatesAction = nullptr;
    QAction* m_duplicatesOnOneDiscAction = nullptr;
    TotalsBar* m_totalsBar = nullptr;
    QLabel* m_alsoOn = nullptr;
    QAction* m_exitAction = nullptr;
    OptionsMenu* m_options = nullptr;
    QAction* m_aboutAction = nullptr;
    QPointer<AboutBox> m_aboutBox;
};
