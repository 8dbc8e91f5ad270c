#include "app/totalsbar.h"

#include "app/songgrid.h"
#include "store/recordset.h"

#include <QThread>

TotalsBar::TotalsBar(const QString& catalogue, RecordSet* records, SongGrid* grid, QWidget* parent)
    : QLabel(parent), m_catalogue(catalogue), m_records(records), m_grid(grid)
{
    setObjectName(QStringLiteral("lbltotals"));
    m_soon.setSingleShot(true);
    m_soon.setInterval(50);
    connect(&m_soon, &QTimer::timeout, this, &TotalsBar::count);
    connect(records, &RecordSet::resetDone, this, &TotalsBar::recount);
    connect(records, &RecordSet::rowAppended, this, &TotalsBar::recount);
    connect(records, &RecordSet::rowRemoved, this, &TotalsBar::recount);
    connect(records, &RecordSet::rowChanged, this, &TotalsBar::recount);
    connect(records, &RecordSet::cellsChanged, this, &TotalsBar::recount);
    connect(grid, &SongGrid::rowSelectionChanged, this, &TotalsBar::recount);
}

TotalsBar::~TotalsBar()
{
    m_stop = true;
    if (m_thread)
        m_thread->wait();
}

void TotalsBar::recount()
{
    // Many changes in a row (a search typed, a selection dragged) are counted once.
    m_soon.start();
}

void TotalsBar::count()
{
    if (m_thread) {
        m_again = true;
        m_stop = true;
        return;
    }
    m_stop = false;
    const RecordSource source = m_records->recordSource();
    const bool active = m_records->isActive();
    const std::vector<qint64> selected = m_records->rowidsAt(m_grid->selectedRows());
    m_thread = QThread::create([this, source, active, selected] {
        Database db;
        SongTotals shown, chosen;
        Failure failure = db.open(m_catalogue, true);
        const auto stop = [this] { return m_stop.load(); };
        if (!failure && active)
            failure = Totals::ofSource(db, source, &shown, stop);
        if (!failure && !selected.empty())
            failure = Totals::ofRows(db, selected, &chosen, stop);
        std::lock_guard lock(m_mutex);
        m_shown = shown;
        m_selected = chosen;
        m_hasSelection = !selected.empty();
        m_failed = failure.failed();
    });
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        if (m_again || m_stop) {
            m_again = false;
            count();
            return;
        }
        std::lock_guard lock(m_mutex);
        if (m_failed) {
            setText(QString());
        } else {
            QString text = m_shown.text();
            if (m_hasSelection)
                text = QStringLiteral("Selected: %1   —   Shown: %2").arg(m_selected.text(), text);
            setText(text);
        }
        emit counted();
    });
    m_thread->start();
}
