// Creates an empty Trelmo catalogue. It never touches a file that exists.
#include "store/filepath.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 || (args.size() == 2 && args[1].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr, "usage: trelmo-newdb [PATH]\n"
                             "Creates an empty catalogue (adomp3.mdb) at PATH, which must not exist;\n"
                             "without PATH, in the user's data folder, where an installed Trelmo looks.\n");
        return 2;
    }
    // The path as the file system's bytes: a folder named on an older system is no UTF-8.
    QByteArray given = args.size() == 2 ? QByteArray(argv[1]) : QByteArray();
    if (given.isEmpty()) {
        const QString folder = FilePath::userDataFolder();
        if (folder.isEmpty()) {
            std::fprintf(stderr, "trelmo-newdb: HOME is not set and XDG_DATA_HOME names no folder: "
                                 "give the catalogue's path\n");
            return 1;
        }
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "trelmo-newdb: cannot make the data folder %s\n", qPrintable(folder));
            return 1;
        }
        given = QFile::encodeName(folder + QStringLiteral("/adomp3.mdb"));
    }
    const QString path = FilePath::ofFile(given);
    if (const Failure f =
            path.isEmpty()
                ? Failure{2, QStringLiteral("cannot reach the folder of '%1'").arg(QFile::decodeName(given))}
                : Song::createCatalogue(path)) {
        std::fprintf(stderr, "trelmo-newdb: %s\n", qPrintable(f.description));
        return 1;
    }
    std::printf("Created an empty catalogue at %s\n", given.constData());
    return 0;
}
