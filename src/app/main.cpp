#include "app/mainwindow.h"
#include "app/prompter.h"
#include "app/startup.h"
#include "base/memory.h"
#include "scan/volumes.h"
#include "store/filepath.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    keepFreedMemoryAtHand();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trelmo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.trelmo.Trelmo"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/trelmo-icon.png")));

    MessageBoxPrompter prompter;
    SystemVolumes volumes;
    // The catalogue and the settings file lie beside the program, or for an installed one in
    // the user's data folder.
    const FilePath::Storage storage =
        FilePath::storageFor(FilePath::programFolder(), FilePath::userDataFolder());
    MainWindow* window = startTrelmo(storage.folder, &prompter, &volumes, storage.inDataFolder);
    if (!window)
        return 1;
    prompter.setParent(window);
    return QApplication::exec();
}
