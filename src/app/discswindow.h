#pragma once

#include "store/discs.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class BackgroundRead;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class VolumeSource;

// The list of the catalogue's discs: one row a disc with its songs, play time, what
// identifies it and whether it is in a drive now, and the commands that change a disc. The
// songs are counted beside the window (a BackgroundRead), the play times after them, so the
// window opens at once however large the catalogue is.
class DiscsWindow : public QDialog
{
    Q_OBJECT
public:
    DiscsWindow(QString catalogue, VolumeSource* volumes, QWidget* parent = nullptr);

    // Counts the discs afresh.
    void reload();
    // Says again which discs are in a drive (the mount table changed).
    void showDrives();
    // The disc of the current row; false when there is none.
    bool currentDisc(Disc* disc) const;
    // Whether the counting goes on (the play times included).
    bool isCounting() const;
    // While a command runs, no other can start.
    void enableCommands(bool enabled);
    // Makes the window the active one, with the keys in its list (after a command's questions).
    void takeKeysBack();
    // The size the user left it at last: kept, rather than fitted to the columns.
    void keepSize(const QSize& size);

signals:
    void updateRequested(const Disc& disc);
    void renameRequested(const Disc& disc);
    void removeRequested(const Disc& disc);
    void countingDone();

private:
    enum class Counted
    {
        Songs,
        PlayTimes
    };
    void fill(const QList<Disc>& discs, Counted counted);
    void showCountFailure(const QString& why);
    void requestFor(void (DiscsWindow::*signal)(const Disc&));
    void updateButtons();
    // As wide as its columns are, within the screen.
    void fitToColumns();

    VolumeSource* m_volumes;
    QStandardItemModel* m_model;
    QSortFilterProxyModel* m_sorted;
    QTableView* m_list;
    QLabel* m_status;
    QPushButton* m_update;
    QPushButton* m_rename;
    QPushButton* m_remove;
    bool m_commandsEnabled = true;
    bool m_fitToColumns = true;
    QList<Disc> m_discs;
    BackgroundRead* m_counting; // the songs of each disc, then their play times
};
