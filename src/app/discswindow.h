#pragma once

#include "store/discs.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QThread;
class VolumeSource;

// The list of the catalogue's discs: one row a disc with its songs, play time, what
// identifies it and whether it is in a drive now, and the commands that change a disc. The
// songs are counted on a thread of its own, the play times after them, so the window opens
// at once however large the catalogue is.
class DiscsWindow : public QDialog
{
    Q_OBJECT
public:
    DiscsWindow(QString catalogue, VolumeSource* volumes, QWidget* parent = nullptr);
    ~DiscsWindow() override;

    // Counts the discs afresh.
    void reload();
    // Says again which discs are in a drive (the mount table changed).
    void showDrives();
    // The disc of the current row; false when there is none.
    bool currentDisc(Disc* disc) const;
    // Whether the counting is done (the play times included).
    bool isCounting() const { return m_counting != nullptr; }
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
    void takeCounts(Counted counted);
    void requestFor(void (DiscsWindow::*signal)(const Disc&));
    void updateButtons();
    // As wide as its columns are, within the screen.
    void fitToColumns();

    QString m_catalogue;
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

    QThread* m_counting = nullptr;
    bool m_countAgain = false;
    std::atomic<bool> m_stop = false;
    std::mutex m_mutex; // guards what the counting thread hands over
    QList<Disc> m_counted;
    Failure m_countFailure;
};
