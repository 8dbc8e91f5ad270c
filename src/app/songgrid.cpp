#include "app/songgrid.h"

#include "browse/columnsort.h"
#include "store/songmodel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Column widths of the design, in pixels.
constexpr std::array<int, Song::ColumnCount> columnWidths = {200, 200, 47, 80, 51, 116, 300};

// In the new row, Escape forgets what was typed there, and Enter or Down stores it and
// goes on to a fresh new row: in an empty catalogue there is no other row to leave it for.
// The view knows when it is answering the user (a key, a click, Tab out of a cell's editor):
// only then is a change of its current cell the user's move.
class GridView : public QTableView
{
public:
    using QTableView::QTableView;

    bool answeringUser() const { return m_answering > 0; }

protected:
    bool viewportEvent(QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            QScopedValueRollback<int> answering(m_answering, m_answering + 1);
            return QTableView::viewportEvent(event);
        }
        default:
            return QTableView::viewportEvent(event);
        }
    }
    bool focusNextPrevChild(bool next) override
    {
        QScopedValueRollback<int> answering(m_answering, m_answering + 1);
        return QTableView::focusNextPrevChild(next);
    }
    // Enter in a cell of the new row ends the edit and stores the song, as Enter outside an
    // edit does; Tab goes on to the next cell.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        const bool moves =
            hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem;
        QScopedValueRollback<int> answering(m_answering, m_answering + (moves ? 1 : 0));
        QTableView::closeEditor(editor, hint);
        auto* songs = static_cast<SongModel*>(model());
        if (hint == QAbstractItemDelegate::SubmitModelCache && songs &&
            currentIndex().row() == songs->newRow() && songs->newRowPending() && songs->commitNewRow())
            setCurrentIndex(songs->index(songs->newRow(), Song::ArtistColumn));
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        auto* songs = static_cast<SongModel*>(model());
        const bool inNewRow =
            songs && currentIndex().row() == songs->newRow() && state() != QAbstractItemView::EditingState;
        if (inNewRow && event->key() == Qt::Key_Escape) {
            songs->discardNewRow();
            event->accept();
            return;
        }
        const bool store =
            event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Down;
        if (inNewRow && store && songs->newRowPending()) {
            if (songs->commitNewRow())
                setCurrentIndex(songs->index(songs->newRow(), Song::ArtistColumn));
            event->accept();
            return;
        }
        QScopedValueRollback<int> answering(m_answering, m_answering + 1);
        QTableView::keyPressEvent(event);
    }

private:
    int m_answering = 0;
};
} // namespace

SongGrid::SongGrid(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("gridCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setFrameShape(QFrame::Panel);
    m_caption->setFrameShadow(QFrame::Raised);
    m_view = new GridView(this);
    m_view->setObjectName(QStringLiteral("gridView"));
    m_view->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setSectionsClickable(true);
    // A click on a row's head selects the row without making any of its cells current, so
    // rows can be picked (for their totals, or to delete them) without playing a song.
    // The table's own answer to such a click would make a cell current: the clicks on the
    // row heads are taken before it sees them.
    m_view->verticalHeader()->viewport()->installEventFilter(this);
    m_view->setWordWrap(false);
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);
    setFocusProxy(m_view);
}

void SongGrid::selectRow(int row, Qt::KeyboardModifiers modifiers)
{
    if (!m_model || row < 0 || row >= m_model->records()->recordCount())
        return;
    QItemSelectionModel* selection = m_view->selectionModel();
    const int last = m_model->columnCount() - 1;
    const auto rows = [&](int from, int to) {
        return QItemSelection(m_model->index(qMin(from, to), 0), m_model->index(qMax(from, to), last));
    };
    if (modifiers & Qt::ShiftModifier && m_selectionAnchor >= 0 && m_selectionAnchor < m_model->rowCount()) {
        selection->select(rows(m_selectionAnchor, row), modifiers & Qt::ControlModifier
                                                            ? QItemSelectionModel::Select
                                                            : QItemSelectionModel::ClearAndSelect);
    } else {
        selection->select(rows(row, row), modifiers & Qt::ControlModifier
                                              ? QItemSelectionModel::Toggle
                                              : QItemSelectionModel::ClearAndSelect);
        m_selectionAnchor = row;
    }
}

bool SongGrid::eventFilter(QObject* watched, QEvent* event)
{
    QHeaderView* rowHeads = m_view->verticalHeader();
    if (watched != rowHeads->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            selectRow(rowHeads->logicalIndexAt(mouse->position().toPoint()), mouse->modifiers());
        return true;
    }
    case QEvent::MouseMove: {
        // Dragging over the heads extends the selection, as in any list.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton)
            selectRow(rowHeads->logicalIndexAt(mouse->position().toPoint()),
                      Qt::ShiftModifier | (mouse->modifiers() & Qt::ControlModifier));
        return true;
    }
    case QEvent::MouseButtonRelease:
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

std::vector<qint64> SongGrid::selectedRows() const
{
    std::vector<qint64> rows;
    if (!m_model)
        return rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows()) {
        if (index.row() < m_model->records()->recordCount())
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SongGrid::setModel(SongModel* model)
{
    m_model = model;
    // While rows go, come or are replaced, the table carries its current cell along by
    // itself: nobody moved it, and the record set keeps its own current row. Connected
    // before the table is, so the mark is up before the table moves.
    auto reshaping = [this] { ++m_reshaping; };
    auto reshaped = [this] { --m_reshaping; };
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, reshaping);
    connect(model, &QAbstractItemModel::modelReset, this, reshaped);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, reshaping);
    connect(model, &QAbstractItemModel::rowsRemoved, this, reshaped);
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, reshaping);
    connect(model, &QAbstractItemModel::rowsInserted, this, reshaped);
    m_view->setModel(model);
    fitColumnWidths();
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SongGrid::rowSelectionChanged);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (m_reshaping)
                    return;
                RecordSet* records = m_model->records();
                // Leaving the new row stores what was typed into it.
                if (previous.isValid() && previous.row() == m_model->newRow() &&
                    current.row() != previous.row())
                    m_model->commitNewRow();
                if (current.isValid() && current.row() < records->recordCount())
                    records->moveTo(current.row());
                // The view picks a cell by itself too (the first one, when it takes the focus
                // without one): only the user's key presses and clicks are moves to react to.
                if (current.isValid() && !m_quietMove && static_cast<GridView*>(m_view)->answeringUser())
                    emit currentCellChanged(current.row(), current.column());
                emit currentCellMoved();
            });
    connect(model->records(), &RecordSet::moveComplete, this,
            [this](EventReason reason) { followRecordSet(reason); });
    connect(model->records(), &RecordSet::resetDone, this, [this] { showSortOrder(); });
    QHeaderView* heads = m_view->horizontalHeader();
    heads->setSortIndicatorShown(true);
    connect(heads, &QHeaderView::sectionClicked, this, [this](int column) {
        emit headClicked(column);
        // The head flipped its arrow on the click; the order in force decides it.
        showSortOrder();
    });
}

void SongGrid::moveByUser(const std::function<void()>& move)
{
    QScopedValueRollback<bool> byUser(m_userMove, true);
    move();
}

void SongGrid::followRecordSet(EventReason reason)
{
    const qint64 row = m_model->records()->currentIndex();
    if (row < 0 || row >= m_model->records()->recordCount())
        return;
    const int column = qMax(0, m_view->currentIndex().column());
    if (row != m_view->currentIndex().row()) {
        m_quietMove = true;
        m_view->setCurrentIndex(m_model->index(int(row), column));
        m_quietMove = false;
        m_view->scrollTo(m_view->currentIndex());
    }
    // The table's own clicks (Move) have been reported already; a refresh, a deletion or an
    // addition is nobody's move. The user's step to the next or previous row plays; the jump
    // to the first or last row plays nothing (the data control's way).
    if (m_userMove && (reason == EventReason::MoveNext || reason == EventReason::MovePrevious))
        emit currentCellChanged(int(row), column);
}

void SongGrid::moveToNewRow()
{
    if (!m_model || !m_model->records()->isActive())
        return;
    // A song is typed from its artist on, whatever column was current before.
    m_view->setCurrentIndex(m_model->index(m_model->newRow(), Song::ArtistColumn));
    m_view->scrollTo(m_view->currentIndex());
}

void SongGrid::showSortOrder()
{
    const int column = m_model ? ColumnSort::indicatorColumn(m_model->records()->recordSource()) : -1;
    m_view->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
}

void SongGrid::setCaption(const QString& text)
{
    m_caption->setText(text);
    m_caption->setVisible(!text.isEmpty());
}

QString SongGrid::caption() const
{
    return m_caption->text();
}

void SongGrid::setGridFont(const QFont& font)
{
    m_view->setFont(font);
    // The heads are set too, so they have the rows' font however it came: chosen or stored.
    m_view->horizontalHeader()->setFont(font);
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    fitColumnWidths();
}

void SongGrid::fitColumnWidths()
{
    if (!m_model)
        return;
    // The design's widths, and no narrower than a column's head needs to be read whole.
    QHeaderView* heads = m_view->horizontalHeader();
    for (int column = 0; column < Song::ColumnCount; ++column)
        m_view->setColumnWidth(column, qMax(columnWidths[size_t(column)], heads->sectionSizeHint(column)));
}

QFont SongGrid::gridFont() const
{
    return m_view->font();
}

void SongGrid::setTitleFirst(bool titleFirst)
{
    if (!m_model)
        return;
    const QString artist = QStringLiteral("Artist");
    const QString title = QStringLiteral("Title");
    m_model->setHeaderData(Song::ArtistColumn, Qt::Horizontal, titleFirst ? title : artist);
    m_model->setHeaderData(Song::TitleColumn, Qt::Horizontal, titleFirst ? artist : title);
}

bool SongGrid::isTitleFirst() const
{
    return columnCaption(Song::ArtistColumn) == QLatin1String("Title");
}

QString SongGrid::columnCaption(int column) const
{
    return m_model ? m_model->headerData(column, Qt::Horizontal).toString() : QString();
}

int SongGrid::currentRow() const
{
    return m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
}

int SongGrid::currentColumn() const
{
    return m_view->currentIndex().isValid() ? m_view->currentIndex().column() : -1;
}

void SongGrid::setCurrentColumn(int column)
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || current.column() == column)
        return;
    m_quietMove = true;
    m_view->setCurrentIndex(current.siblingAtColumn(column));
    m_quietMove = false;
}

void SongGrid::highlightCurrentCell()
{
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid())
        m_view->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
}
