#include "scan/songname.h"

#include "scan/audioformat.h"

namespace SongName {

bool isMp3(std::string_view fileName)
{
    if (fileName.size() < 4)
        return false;
    const std::string_view end = fileName.substr(fileName.size() - 4);
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return end[0] == '.' && lower(end[1]) == 'm' && lower(end[2]) == 'p' && end[3] == '3';
}

std::string_view stem(std::string_view fileName)
{
    // The ending of a song's kind (".flac", ".opus"); else the last four characters, as the
    // ".mp3" of the names the build takes.
    const size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos && AudioFormat::ofName(fileName) != AudioFormat::Kind::None)
        return fileName.substr(0, dot);
    return fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0);
}

void split(std::string_view stem, std::string* artist, std::string* title)
{
    const size_t dash = stem.find('-');
    if (dash == std::string_view::npos) {
        artist->assign("Unknown");
        title->assign(stem);
    } else {
        artist->assign(stem.substr(0, dash));
        title->assign(stem.substr(dash + 1));
    }
    if (title->empty())
        title->assign("Unknown");
}

namespace {
std::string_view trimmedBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
} // namespace

void splitTrimmed(std::string_view stem, std::string* artist, std::string* title)
{
    const size_t dash = stem.find('-');
    if (dash == std::string_view::npos) {
        artist->assign("Unknown");
        title->assign(trimmedBlanks(stem));
    } else {
        artist->assign(trimmedBlanks(stem.substr(0, dash)));
        title->assign(trimmedBlanks(stem.substr(dash + 1)));
    }
    if (title->empty())
        title->assign("Unknown");
}

std::string rebuiltName(std::string_view artist, std::string_view title)
{
    std::string name;
    name.reserve(artist.size() + title.size() + 5);
    name.append(artist).append(1, '-').append(title).append(".mp3");
    return name;
}

QStringList rebuiltNames(const QString& artist, const QString& title)
{
    const QString unknown = QStringLiteral("Unknown");
    QStringList names{artist + QLatin1Char('-') + title + QStringLiteral(".mp3")};
    if (artist == unknown)
        names << title + QStringLiteral(".mp3");
    if (title == unknown)
        names << artist + QStringLiteral("-.mp3");
    if (artist == unknown && title == unknown)
        names << QStringLiteral(".mp3");
    return names;
}

QString stripPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

std::string_view stripPath(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {
// The characters of bytes 0x80 to 0x9F in Windows-1252; elsewhere it is Latin-1. The five
// bytes it leaves undefined stand for the control characters of the same number.
constexpr char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendFrom1252(std::string& out, std::string_view part)
{
    QString text;
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte));
    }
    out += text.toStdString();
}
} // namespace

std::string readable(std::string_view bytes)
{
    if (QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8())
        return std::string(bytes);
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t slash = bytes.find('/', start);
        const std::string_view part =
            bytes.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (QByteArrayView(part.data(), qsizetype(part.size())).isValidUtf8())
            out += part;
        else
            appendFrom1252(out, part);
        if (slash == std::string_view::npos)
            return out;
        out += '/';
        start = slash + 1;
    }
}

QByteArray windows1252(const QString& text)
{
    QByteArray bytes;
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            bytes += char(u);
            continue;
        }
        plain = false;
        int byte = -1;
        if (u >= 0xA0 && u <= 0xFF)
            byte = u;
        for (int i = 0; i < 32 && byte < 0; ++i)
            byte = high[i] == u ? 0x80 + i : -1;
        if (byte < 0)
            return QByteArray();
        bytes += char(byte);
    }
    return plain ? QByteArray() : bytes;
}

} // namespace SongName
