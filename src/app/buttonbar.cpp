#include "app/buttonbar.h"

#include "app/look.h"

#include <QPushButton>

ButtonBar::ButtonBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picbuttons"));
    setAutoFillBackground(true);
    Look::fill(this, Look::lightGrey);
    setFixedHeight(barHeight);
    QFont small = font();
    small.setPointSizeF(qMin(small.pointSizeF(), 8.0));
    setFont(small);
    connect(addButton("cmddelete", QStringLiteral("Delete record"), 0, 79), &QPushButton::clicked, this,
            &ButtonBar::deleteClicked);
    connect(addButton("cmdadd", QStringLiteral("Add record"), 80, 79), &QPushButton::clicked, this,
            &ButtonBar::addClicked);
    connect(addButton("cmdrefresh", QStringLiteral("Refresh"), 160, 79), &QPushButton::clicked, this,
            &ButtonBar::refreshClicked);
    connect(addButton("cmdprint", QStringLiteral("Print  it"), 239, 79), &QPushButton::clicked, this,
            &ButtonBar::printClicked);
    connect(addButton("cmdDeleteDB", QStringLiteral("Clear Database"), 318, 89), &QPushButton::clicked, this,
            &ButtonBar::clearClicked);
}

QPushButton* ButtonBar::addButton(const char* name, const QString& caption, int left, int width)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, 2, width, 22);
    return button;
}

void ButtonBar::setWriteCommandsEnabled(bool enabled)
{
    // Refresh only reads: it stays.
    for (const char* name : {"cmddelete", "cmdadd", "cmdprint", "cmdDeleteDB"})
        findChild<QPushButton*>(QString::fromLatin1(name))->setEnabled(enabled);
}
