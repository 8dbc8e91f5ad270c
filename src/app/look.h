#pragma once

#include <QGroupBox>
#include <QPalette>

// The window's colours: two greys, blue captions, black text.
namespace Look {

inline const QColor lightGrey(224, 224, 224);
inline const QColor darkGrey(192, 192, 192);

// `widget` filled with `colour`: its background, its fields and its buttons.
inline void fill(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
}

// A panel: its own grey, its caption in blue; its captions inside keep black (blackText).
inline void panel(QGroupBox* box, const QColor& colour)
{
    fill(box, colour);
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
}

inline void blackText(QWidget* widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
}

} // namespace Look
