#include "store/filepath.h"

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
