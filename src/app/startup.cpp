#include "app/startup.h"

#include "app/mainwindow.h"
#include "app/splash.h"

#include <QApplication>

MainWindow* startTrelmo(const QString& programFolder, Prompter* prompter, VolumeSource* volumes)
{
    Splash splash;
    splash.place();
    splash.show();
    splash.repaint();
    QApplication::processEvents();

    auto* window = new MainWindow(programFolder, prompter, volumes);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    window->show();
    splash.close();
    return window;
}
