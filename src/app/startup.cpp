#include "app/startup.h"

#include "app/mainwindow.h"
#include "app/prompter.h"
#include "app/splash.h"

#include <QApplication>

MainWindow* startTrelmo(const QString& programFolder, Prompter* prompter, VolumeSource* volumes,
                        bool offerNewCatalogue)
{
    if (programFolder.isEmpty()) {
        prompter->ask(
            QStringLiteral("Trelmo cannot tell where to keep its catalogue and settings: HOME is not "
                           "set, and XDG_DATA_HOME names no folder. Set HOME and start Trelmo "
                           "again."));
        return nullptr;
    }
    Splash splash;
    splash.place();
    splash.show();
    splash.repaint();
    // The one nested event loop left: the event loop has not started yet, and the splash
    // must reach the screen before the catalogue is opened. Nothing else is queued so early.
    QApplication::processEvents();

    auto* window = new MainWindow(programFolder, prompter, volumes);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (offerNewCatalogue)
        window->offerNewCatalogue();
    if (!window->load()) {
        delete window;
        return nullptr;
    }
    window->show();
    splash.close();
    return window;
}
