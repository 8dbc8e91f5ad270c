#include "app/splash.h"

#include "app/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    registerPictures();
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(293, 207);
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")));
    image->setScaledContents(true);
    image->setGeometry(rect());
}

void Splash::place()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen->geometry();
    move(area.x() + area.width() / 2 - width() / 2, area.y() + int(area.height() * 0.9) / 2 - height() / 2);
}
