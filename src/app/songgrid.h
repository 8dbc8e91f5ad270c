#pragma once

#include <QWidget>

class QLabel;
class QTableView;
class SongModel;

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
    void setColumnCaption(int column, const QString& text);
    QString columnCaption(int column) const;

    // The current row of the table (-1 when none).
    int currentRow() const;

signals:
    void currentCellChanged(int row, int column);

private:
    void followRecordSet();

    QLabel* m_caption;
    QTableView* m_view;
    SongModel* m_model = nullptr;
};
