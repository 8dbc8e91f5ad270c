#include "store/filepath.h"

#include <QDir>
#include <QFileInfo>

#include <QFile>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

namespace FilePath {

QString ofFolder(const QByteArray& bytes)
{
    if (bytes.isValidUtf8())
        return QFile::decodeName(bytes);
    // Kept open for the life of the process: the name below stays valid as long.
    const int fd = ::open(bytes.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd < 0 ? QString() : QStringLiteral("/proc/self/fd/%1").arg(fd);
}

QString ofFile(const QByteArray& bytes)
{
    if (bytes.isValidUtf8())
        return QFile::decodeName(bytes);
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray name = bytes.mid(slash + 1);
    if (slash < 0 || !name.isValidUtf8())
        return QString();
    const QString folder = ofFolder(slash == 0 ? QByteArray("/") : bytes.left(slash));
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + QFile::decodeName(name);
}

Storage storageFor(const QString& programFolder, const QString& dataFolder)
{
    const QFileInfo folder(programFolder);
    if (QFileInfo(programFolder + QStringLiteral("/adomp3.mdb")).exists())
        return {programFolder, false};
    // A program installed among the system's (which root may write all the same) keeps the
    // user's files in the user's folders.
    const QString clean = QDir::cleanPath(programFolder) + QLatin1Char('/');
    const bool installed = clean.startsWith(QLatin1String("/usr/")) ||
                           clean.startsWith(QLatin1String("/opt/")) || clean == QLatin1String("/bin/");
    if (!installed && folder.isDir() && folder.isWritable())
        return {programFolder, false};
    return {dataFolder, true};
}

QString userDataFolder()
{
    // Named for the program whatever the running one calls itself (trelmo, trelmo-newdb). A
    // relative XDG_DATA_HOME is invalid by the base directory rules and is ignored; without a
    // home there is no default to fall back on.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(dataHome))
        return QDir::cleanPath(dataHome) + QStringLiteral("/Trelmo");
    const QString home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(home))
        return QString();
    return QDir::cleanPath(home) + QStringLiteral("/.local/share/Trelmo");
}

QString programFolder()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return QString();
    const QByteArray program(path, length);
    return ofFolder(program.left(qMax<qsizetype>(1, program.lastIndexOf('/'))));
}

} // namespace FilePath
