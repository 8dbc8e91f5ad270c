#pragma once

#include <QLabel>
#include <QTimer>

class BackgroundRead;
class RecordSet;
class SongGrid;

// The totals of the rows shown, and of the rows selected, at the foot of the window: how
// many songs, how long they play, how many have no play time. Counted beside the window (a
// BackgroundRead) a moment after the rows change, so the window never waits for them.
class TotalsBar : public QLabel
{
    Q_OBJECT
public:
    TotalsBar(const QString& catalogue, RecordSet* records, SongGrid* grid, QWidget* parent = nullptr);

    // Counts afresh (the rows changed in a way the record set does not say).
    void recount();
    bool isCounting() const;

signals:
    void counted();

private:
    void count();

    RecordSet* m_records;
    SongGrid* m_grid;
    QTimer m_soon;
    BackgroundRead* m_read;
};
