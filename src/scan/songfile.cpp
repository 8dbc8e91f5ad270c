#include "scan/songfile.h"

#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SongFile {

namespace {

using Byte = unsigned char;

bool endsWithNoCase(std::string_view name, std::string_view ending)
{
    if (name.size() < ending.size())
        return false;
    const std::string_view end = name.substr(name.size() - ending.size());
    for (size_t i = 0; i < ending.size(); ++i) {
        const char c = end[i];
        const char lower = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        if (lower != ending[i])
            return false;
    }
    return true;
}

// The four bytes of an MPEG audio frame header: the sync, and no reserved value.
bool isFrameHeader(const Byte* h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const int version = (h[1] >> 3) & 3, layer = (h[1] >> 1) & 3;
    const int bitrate = h[2] >> 4, rate = (h[2] >> 2) & 3;
    return version != 1 && layer != 0 && bitrate != 15 && rate != 3 && (h[3] & 3) != 2;
}

// The length of the ID3v2 tag whose header is `h` (footer included); 0 when it is none.
qint64 id3v2Length(const Byte* h)
{
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] < 2 || h[3] > 4 || h[4] == 0xFF)
        return 0;
    for (int i = 6; i < 10; ++i) {
        if (h[i] & 0x80)
            return 0;
    }
    const qint64 size = qint64(h[6]) << 21 | qint64(h[7]) << 14 | qint64(h[8]) << 7 | h[9];
    const bool footer = h[3] == 4 && (h[5] & 0x10);
    return 10 + size + (footer ? 10 : 0);
}

// Reads up to `count` bytes at `position`; the number read, or -1.
ssize_t readAt(int fd, Byte* buffer, size_t count, qint64 position)
{
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, count, position);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

// The first bytes of an MP3: a frame header, at the start or after the ID3v2 tags in front
// (a few players pad the tag with more zero bytes than it says).
bool looksLikeMp3(int fd)
{
    Byte buffer[4096];
    qint64 position = 0;
    for (int tags = 0; tags < 4; ++tags) {
        const ssize_t got = readAt(fd, buffer, sizeof buffer, position);
        if (got < 4)
            return false;
        ssize_t at = 0;
        while (tags > 0 && at + 4 <= got && buffer[at] == 0)
            ++at;
        if (at + 4 > got)
            return false;
        if (isFrameHeader(buffer + at))
            return true;
        if (at + 10 > got)
            return false;
        const qint64 tag = id3v2Length(buffer + at);
        if (tag == 0)
            return false;
        position += at + tag;
    }
    return false;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool hasSongEnding(std::string_view name)
{
    return endsWithNoCase(name, ".mp3");
}

QString folderProblem(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return QStringLiteral("its folder is not a full path");
    if (folder.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    for (const QString& part : folder.split(QLatin1Char('/'))) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return QStringLiteral("its folder has a \"%1\" part").arg(part);
    }
    return {};
}

QString nameProblem(const QString& folder, const QByteArray& name)
{
    if (const QString problem = folderProblem(folder); !problem.isEmpty())
        return problem;
    if (name.contains('\0'))
        return QStringLiteral("it holds a NUL character");
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return QStringLiteral("it is not a single file name");
    if (!hasSongEnding(std::string_view(name.constData(), size_t(name.size()))))
        return QStringLiteral("its name does not end as a song's does");
    return {};
}

QString contentProblem(const QByteArray& path)
{
    if (path.contains('\0'))
        return QStringLiteral("it holds a NUL character");
    // Not blocking: a FIFO given a song's name would never answer.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemText(errno);
    struct stat info;
    QString problem;
    if (::fstat(fd, &info) != 0)
        problem = systemText(errno);
    else if (!S_ISREG(info.st_mode))
        problem = QStringLiteral("it is not a regular file");
    else if (!looksLikeMp3(fd))
        problem = QStringLiteral("its first bytes are not those of an MP3");
    ::close(fd);
    return problem;
}

QString refusal(const QString& path, const QString& why)
{
    // A control character (a NUL, a line break) in a crafted row is shown, not obeyed.
    QString shown = path;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar::ReplacementCharacter;
    }
    return QStringLiteral("The catalogue names a file that is not a song: '%1' (%2).").arg(shown, why);
}

} // namespace SongFile
