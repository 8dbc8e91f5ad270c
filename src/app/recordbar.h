#pragma once

#include <QFrame>

class QLabel;
class QToolButton;
class RecordSet;
class SongGrid;

// The record bar: move-first, move-previous, a caption, move-next and move-last.
class RecordBar : public QFrame
{
    Q_OBJECT
public:
    explicit RecordBar(QWidget* parent = nullptr);

    // Moves through `records`, the rows `grid` shows, as the user's own moves.
    void attach(RecordSet* records, SongGrid* grid);
    void setCaption(const QString& text);
    QString caption() const;

    QToolButton* firstButton() const { return m_first; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

private:
    RecordSet* m_records = nullptr;
    SongGrid* m_grid = nullptr;
    QLabel* m_caption;
    QToolButton* m_first;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_last;
};
