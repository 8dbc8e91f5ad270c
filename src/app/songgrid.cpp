#include "app/songgrid.h"

#include "store/songmodel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// Column widths of the design, in pixels.
constexpr int columnWidths[] = {200, 200, 47, 80, 51, 116, 300};

// Escape in the new row forgets what was typed there.
class GridView : public QTableView
{
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        auto* songs = static_cast<SongModel*>(model());
        if (event->key() == Qt::Key_Escape && songs && currentIndex().row() == songs->newRow() &&
            state() != QAbstractItemView::EditingState) {
            songs->discardNewRow();
            event->accept();
            return;
        }
        QTableView::keyPressEvent(event);
    }
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
    m_view->setWordWrap(false);
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);
    setFocusProxy(m_view);
}

void SongGrid::setModel(SongModel* model)
{
    m_model = model;
    m_view->setModel(model);
    for (int i = 0; i < int(std::size(columnWidths)); ++i)
        m_view->setColumnWidth(i, columnWidths[i]);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                RecordSet* records = m_model->records();
                // Leaving the new row stores what was typed into it.
                if (previous.isValid() && previous.row() == m_model->newRow() &&
                    current.row() != previous.row())
                    m_model->commitNewRow();
                if (current.isValid() && current.row() < records->recordCount())
                    records->moveTo(current.row());
                if (current.isValid())
                    emit currentCellChanged(current.row(), current.column());
            });
    connect(model->records(), &RecordSet::moveComplete, this, [this] { followRecordSet(); });
}

void SongGrid::followRecordSet()
{
    const qint64 row = m_model->records()->currentIndex();
    if (row < 0 || row >= m_model->records()->recordCount() || row == m_view->currentIndex().row())
        return;
    const int column = qMax(0, m_view->currentIndex().column());
    m_view->setCurrentIndex(m_model->index(int(row), column));
    m_view->scrollTo(m_view->currentIndex());
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
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
}

QFont SongGrid::gridFont() const
{
    return m_view->font();
}

void SongGrid::setColumnCaption(int column, const QString& text)
{
    if (m_model)
        m_model->setHeaderData(column, Qt::Horizontal, text);
}

QString SongGrid::columnCaption(int column) const
{
    return m_model ? m_model->headerData(column, Qt::Horizontal).toString() : QString();
}

int SongGrid::currentRow() const
{
    return m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
}
