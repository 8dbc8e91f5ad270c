// Creates an empty Trelmo catalogue. It never touches a file that exists.
#include "store/filepath.h"
#include "store/schema.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: trelmo-newdb PATH\n"
                             "Creates an empty catalogue (adomp3.mdb) at PATH; PATH must not exist.\n");
        return 2;
    }
    // The path as the file system's bytes: a folder named on an older system is no UTF-8.
    const QString path = FilePath::ofFile(QByteArray(argv[1]));
    if (const Failure f = path.isEmpty()
                              ? Failure{2, QStringLiteral("cannot reach the folder of '%1'").arg(args[1])}
                              : Song::createCatalogue(path)) {
        std::fprintf(stderr, "trelmo-newdb: %s\n", qPrintable(f.description));
        return 1;
    }
    std::printf("Created an empty catalogue at %s\n", qPrintable(args[1]));
    return 0;
}
