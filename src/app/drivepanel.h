#pragma once

#include "scan/volumes.h"
#include "store/database.h"

#include <QGroupBox>
#include <QStringList>

class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

// The panel where a disc is picked and catalogued: the drive list (the mounted volumes,
// then folders picked through "Folder…"), the name the disc's songs are stored under, and
// the Find MP3s button. A drive picked without its disc in is asked for until it is there
// or the user gives up and goes back to the start-up drive.
class DrivePanel : public QGroupBox
{
    Q_OBJECT
public:
    DrivePanel(Prompter* prompter, VolumeSource* volumes, QWidget* parent = nullptr);

    // Fills the list; the drive that holds the working folder becomes the start-up drive.
    void start();
    // Reads the mounted volumes again, keeping the drive selected when it is still there.
    void refresh();
    void returnToStartupDrive();
    // Find MP3s is off while a job runs.
    void setScanEnabled(bool enabled);

    QString startupDrive() const { return m_startupDrive; }
    // The root of the last drive picked whose disc was in.
    QString discRoot() const { return m_lastDrive; }
    // The name the songs of the disc are stored under, as proposed or typed.
    QString discName() const;
    // The selected drive's root when its disc is in; otherwise a failure that says why.
    Failure selectedDisc(QString* root);

signals:
    void scanRequested();

private:
    void onDriveChanged();
    void fillDriveList(const QString& keep);
    bool discReady(const QString& root, QString* label);
    void chooseFolderAsDisc();
    QString selectedRoot() const;

    Prompter* m_prompter;
    VolumeSource* m_volumes;
    QComboBox* m_driveCombo;
    QLabel* m_discNameLabel;
    QLineEdit* m_discNameEdit;
    QToolButton* m_findButton;
    QStringList m_chosenFolders; // folders picked through "Folder…", listed after the volumes
    QString m_startupDrive;
    QString m_lastDrive; // the last choice that was ready
};
