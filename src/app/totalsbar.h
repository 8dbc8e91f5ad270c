#pragma once

#include "store/recordsource.h"
#include "store/songtotals.h"

#include <QLabel>
#include <QTimer>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class RecordSet;
class SongGrid;
class QThread;

// The totals of the rows shown, and of the rows selected, at the foot of the window: how
// many songs, how long they play, how many have no play time. Counted on a thread of its own
// a moment after the rows change, so the window never waits for them.
class TotalsBar : public QLabel
{
    Q_OBJECT
public:
    TotalsBar(const QString& catalogue, RecordSet* records, SongGrid* grid, QWidget* parent = nullptr);
    ~TotalsBar() override;

    // Counts afresh (the rows changed in a way the record set does not say).
    void recount();
    bool isCounting() const { return m_thread != nullptr || m_soon.isActive(); }

signals:
    void counted();

private:
    void count();

    QString m_catalogue;
    RecordSet* m_records;
    SongGrid* m_grid;
    QTimer m_soon;
    QThread* m_thread = nullptr;
    bool m_again = false;
    std::atomic<bool> m_stop = false;
    std::mutex m_mutex; // guards what the thread hands over
    SongTotals m_shown;
    SongTotals m_selected;
    bool m_hasSelection = false;
    bool m_failed = false;
};
