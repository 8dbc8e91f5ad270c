#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

// The client area: paints the background picture and reports changes of size.
class ClientArea : public QWidget
{
public:
    ClientArea(const QPixmap& picture, std::function<void()> resized, QWidget* parent)
        : QWidget(parent), m_picture(picture), m_resized(std::move(resized))
    {
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent*) override { m_resized(); }

private:
    const QPixmap& m_picture;
    QPixmap m_scaled;
    std::function<void()> m_resized;
};
