#include "app/totalsbar.h"

#include "app/backgroundread.h"
#include "app/songgrid.h"
#include "store/recordset.h"
#include "store/songtotals.h"

TotalsBar::TotalsBar(const QString& catalogue, RecordSet* records, SongGrid* grid, QWidget* parent)
    : QLabel(parent), m_records(records), m_grid(grid), m_read(new BackgroundRead(catalogue, this))
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
    connect(m_read, &BackgroundRead::finished, this, &TotalsBar::counted);
}

void TotalsBar::recount()
{
    // Many changes in a row (a search typed, a selection dragged) are counted once.
    m_soon.start();
}

bool TotalsBar::isCounting() const
{
    return m_read->isRunning() || m_soon.isActive();
}

void TotalsBar::count()
{
    BackgroundRead::Work work;
    work.read = [this, source = m_records->recordSource(), active = m_records->isActive(),
                 selected = m_records->rowidsAt(m_grid->selectedRows())](Database& db,
                                                                         const BackgroundRead::Run& run) {
        SongTotals shown, chosen;
        const auto stop = [&run] { return run.stopped(); };
        Failure failure;
        if (active)
            failure = Totals::ofSource(db, source, &shown, stop);
        if (!failure && !selected.empty())
            failure = Totals::ofRows(db, selected, &chosen, stop);
        QString text;
        if (!failure) {
            text = selected.empty()
                       ? shown.text()
                       : QStringLiteral("Selected: %1   —   Shown: %2").arg(chosen.text(), shown.text());
        }
        run.deliver([this, text] { setText(text); });
    };
    work.failed = [this](const QString&) { setText(QString()); };
    m_read->start(std::move(work));
}
