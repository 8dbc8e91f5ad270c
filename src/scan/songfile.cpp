#include "scan/songfile.h"

#include "scan/audioformat.h"

#include <QStringList>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SongFile {

namespace {

using Byte = unsigned char;

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

// Where the song's own bytes begin: past the ID3v2 tags in front, if any (a few players pad
// a tag with more zero bytes than it says, and a few write two), at 0 without one. -1 when
// the file cannot be read so far.
qint64 pastId3v2Tags(int fd)
{
    Byte buffer[4096];
    qint64 position = 0;
    for (int tags = 0; tags < 4; ++tags) {
        const ssize_t got = readAt(fd, buffer, sizeof buffer, position);
        if (got < 0)
            return -1;
        ssize_t at = 0;
        while (tags > 0 && at < got && buffer[at] == 0)
            ++at;
        const qint64 tag = at + 10 <= got ? id3v2Length(buffer + at) : 0;
        if (tag == 0)
            return position + at;
        position += at + tag;
    }
    return position;
}

// Whether the file begins as a song of `kind` does.
bool looksLike(AudioFormat::Kind kind, int fd)
{
    const bool tagged = kind == AudioFormat::Kind::Mp3 || kind == AudioFormat::Kind::Flac;
    const qint64 start = tagged ? pastId3v2Tags(fd) : 0;
    Byte head[16] = {};
    const ssize_t got = start < 0 ? -1 : readAt(fd, head, sizeof head, start);
    if (got < 4)
        return false;
    if (kind == AudioFormat::Kind::Mp3)
        return isFrameHeader(head);
    return AudioFormat::beginsAs(kind, std::string_view(reinterpret_cast<const char*>(head), size_t(got)));
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool hasSongEnding(std::string_view name)
{
    return AudioFormat::ofName(name) != AudioFormat::Kind::None;
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
    else if (const AudioFormat::Kind kind = AudioFormat::ofName(path.constData()); !looksLike(kind, fd))
        problem = QStringLiteral("its first bytes are not those of %1")
                      .arg(QLatin1String(AudioFormat::described(kind)));
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
