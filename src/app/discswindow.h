#pragma once

#include "store/discs.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class BackgroundRead;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class VolumeSource;

// The list of the catalogue's discs: one row a disc with its songs, play time, the user's notes
// of it (edited in place), what identifies it and whether it is in a drive now, and the
// commands that change a disc or compare two. The songs are counted beside the window (a
// BackgroundRead), the play times after them, so the window opens at once however large the
// catalogue is.
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
    // The discs of the rows selected, top to bottom.
    QList<Disc> selectedDiscs() const;
    // Shows `text` as the note `field` of `disc` (as stored, or as it was when it was not).
    void showNote(const Disc& disc, DiscNotes::Field field, const QString& text);
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
    void compareRequested(const Disc& first, const Disc& second);
    // The user changed a note of a disc in its cell.
    void noteEdited(const Disc& disc, DiscNotes::Field field, const QString& text);
    void countingDone();

private:
    void fill(const QList<Disc>& discs);
    void showPlayTimes(const QList<Disc>& discs);
    void takeEditedNote(QStandardItem* item);
    // F2 and Enter: a note's cell is edited, the name's renames the disc.
    void editCurrentCell(bool orRename);
    bool eventFilter(QObject* watched, QEvent* event) override;
    int rowOfDisc(const Disc& disc) const;
    // As wide as its notes, up to about 32 characters.
    void fitNoteColumn(int column);
    void showCountFailure(const QString& why);
    void requestFor(void (DiscsWindow::*signal)(const Disc&));
    void updateButtons();
    // The commands' buttons in a row, with their keys.
    QHBoxLayout* makeButtons();
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
    QPushButton* m_compare;
    bool m_filling = false; // cells are set by the program, not edited
    bool m_commandsEnabled = true;
    bool m_fitToColumns = true;
    QList<Disc> m_discs;
    BackgroundRead* m_counting; // the songs of each disc, then their play times
};
