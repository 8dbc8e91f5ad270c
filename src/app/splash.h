#pragma once

#include <QWidget>

// The start-up picture, shown while the main window loads.
class Splash : public QWidget
{
    Q_OBJECT
public:
    explicit Splash(QWidget* parent = nullptr);
    // Centred across the screen and on its upper nine tenths.
    void place();
};
