#include "app/recordbar.h"

#include "app/songgrid.h"
#include "store/recordset.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {
QToolButton* moveButton(QWidget* parent, Qt::ArrowType arrow, const QString& name, const QString& tip,
                        const QString& text = QString())
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    if (text.isEmpty())
        button->setArrowType(arrow);
    else
        button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
} // namespace

RecordBar::RecordBar(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(1, 0, 1, 0);
    row->setSpacing(0);
    m_first =
        moveButton(this, Qt::NoArrow, QStringLiteral("moveFirst"), tr("First record"), QStringLiteral("|◀"));
    m_previous = moveButton(this, Qt::LeftArrow, QStringLiteral("movePrevious"), tr("Previous record"));
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_next = moveButton(this, Qt::RightArrow, QStringLiteral("moveNext"), tr("Next record"));
    m_last =
        moveButton(this, Qt::NoArrow, QStringLiteral("moveLast"), tr("Last record"), QStringLiteral("▶|"));
    row->addWidget(m_first);
    row->addWidget(m_previous);
    row->addWidget(m_caption, 1);
    row->addWidget(m_next);
    row->addWidget(m_last);

    connect(m_first, &QToolButton::clicked, this, [this] {
        if (m_records && m_records->recordCount() > 0)
            m_grid->moveByUser([this] { m_records->moveFirst(); });
    });
    connect(m_previous, &QToolButton::clicked, this, [this] {
        if (m_records && m_records->currentIndex() > 0)
            m_grid->moveByUser([this] { m_records->movePrevious(); });
    });
    connect(m_next, &QToolButton::clicked, this, [this] {
        if (m_records && m_records->currentIndex() + 1 < m_records->recordCount())
            m_grid->moveByUser([this] { m_records->moveNext(); });
    });
    connect(m_last, &QToolButton::clicked, this, [this] {
        if (m_records && m_records->recordCount() > 0)
            m_grid->moveByUser([this] { m_records->moveLast(); });
    });
}

void RecordBar::attach(RecordSet* records, SongGrid* grid)
{
    m_records = records;
    m_grid = grid;
}

void RecordBar::setCaption(const QString& text)
{
    m_caption->setText(text);
}

QString RecordBar::caption() const
{
    return m_caption->text();
}
