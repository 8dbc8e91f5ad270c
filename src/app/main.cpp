#include "app/mainwindow.h"
#include "app/prompter.h"
#include "app/startup.h"
#include "scan/volumes.h"
#include "settings/profile.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trelmo"));
    Modini::setProgramFolder(QApplication::applicationDirPath());

    MessageBoxPrompter prompter;
    SystemVolumes volumes;
    MainWindow* window = startTrelmo(&prompter, &volumes);
    if (!window)
        return 1;
    prompter.setParent(window);
    return QApplication::exec();
}
