#pragma once

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QTableView;
class SongModel;
enum class EventReason;

// The catalogue grid: a caption bar over a table of the record set's rows. The table's
// current row and the record set's current row follow each other.
class SongGrid : public QWidget
{
    Q_OBJECT
public:
    explicit SongGrid(QWidget* parent = nullptr);

    void setModel(SongModel* model);
    SongModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }

    void setCaption(const QString& text);
    QString caption() const;
    // The rows' font; the caption keeps its own.
    void setGridFont(const QFont& font);
    QFont gridFont() const;
    QString columnCaption(int column) const;
    // The first two columns captioned Title, Artist rather than Artist, Title. Only the
    // captions change: the first column still shows the artist.
    void setTitleFirst(bool titleFirst);
    bool isTitleFirst() const;

    // The current row and column of the table (-1 when none).
    int currentRow() const;
    // Highlights the current cell at once: a click moves the cell before the highlight, and a
    // question asked meanwhile must show which song it is about.
    void highlightCurrentCell();
    int currentColumn() const;
    // Moves the current cell to another column of its row; that is no change to react to.
    void setCurrentColumn(int column);
    // Makes the empty new row below the last one current, for a song typed by hand.
    void moveToNewRow();
    // Shows the order of the record source in force on its column's head.
    void showSortOrder();
    // Selects the row as a click on its head does: with Ctrl toggled, with Shift from the last
    // one on; no cell of it becomes current.
    void selectRow(int row, Qt::KeyboardModifiers modifiers = {});
    // The rows wholly selected (through their heads), in order.
    std::vector<qint64> selectedRows() const;
    // Runs `move`, a move of the record set that the user asked for (the record bar's).
    void moveByUser(const std::function<void()>& move);

signals:
    // The user moved to a cell: a key press, a click, or a move of the record set to its
    // first, last, next or previous row. A refresh, a search, a view switch, the focus coming
    // back or any other move the program makes reports nothing: those play no song.
    void currentCellChanged(int row, int column);
    // The current cell is another one now, for whatever reason (for what shows where it is).
    void currentCellMoved();
    // A column head was clicked.
    void headClicked(int column);
    // The selection changed.
    void rowSelectionChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followRecordSet(EventReason reason);
    void fitColumnWidths();

    QLabel* m_caption;
    QTableView* m_view;
    SongModel* m_model = nullptr;
    int m_reshaping = 0;        // the model is changing its rows
    bool m_quietMove = false;   // the program moves the current cell, reported or not by itself
    bool m_userMove = false;    // the record set moves because the user asked
    int m_selectionAnchor = -1; // where a selection by row heads began
};
