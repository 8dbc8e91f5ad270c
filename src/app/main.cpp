#include "app/mainwindow.h"
#include "app/prompter.h"
#include "app/startup.h"
#include "scan/volumes.h"
#include "store/filepath.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trelmo"));

    MessageBoxPrompter prompter;
    SystemVolumes volumes;
    // The catalogue and the settings file lie beside the program.
    MainWindow* window = startTrelmo(FilePath::programFolder(), &prompter, &volumes);
    if (!window)
        return 1;
    prompter.setParent(window);
    return QApplication::exec();
}
