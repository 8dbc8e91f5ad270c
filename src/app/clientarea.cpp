#include "app/clientarea.h"

#include "app/look.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
constexpr int pictureMargin = 50; // the picture leaves the lowest pixels out
} // namespace

void ClientArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Look::lightGrey);
    // Scaled once for each size: a repaint (a button greyed, a window moved over it)
    // only copies the part it needs.
    const QSize area(width(), height() - pictureMargin);
    if (m_picture.isNull() || area.isEmpty())
        return;
    if (m_scaled.size() != area)
        m_scaled = m_picture.scaled(area, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(event->rect().topLeft(), m_scaled, event->rect());
}
