#include "mp3tags.h"

#include <QList>

#include <utility>

namespace Mp3Tags {

namespace {

void appendBigEndian(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

void appendSyncSafe(QByteArray& out, quint32 value)
{
    for (int shift = 21; shift >= 0; shift -= 7)
        out.append(char((value >> shift) & 0x7F));
}

void appendLittleEndian(QByteArray& out, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((value >> shift) & 0xFF));
}

struct Frame
{
    QByteArray id;
    QByteArray body; // the encoding byte, then the text or the picture
};

QByteArray id3v2(int version, const QList<Frame>& frames)
{
    QByteArray content;
    for (const Frame& frame : frames) {
        content.append(frame.id);
        if (version == 4)
            appendSyncSafe(content, quint32(frame.body.size()));
        else
            appendBigEndian(content, quint32(frame.body.size()));
        content.append('\0').append('\0').append(frame.body);
    }
    QByteArray tag("ID3");
    tag.append(char(version)).append('\0').append('\0');
    appendSyncSafe(tag, quint32(content.size()));
    return tag + content;
}

QByteArray utf16(const QString& text)
{
    QByteArray out("\x01\xFF\xFE", 3); // UTF-16, little-endian byte order mark
    for (const QChar c : text)
        out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return out;
}

Frame picture(int bytes)
{
    QByteArray body;
    body.append('\0').append("image/jpeg").append('\0').append('\x03').append("Cover").append('\0');
    QByteArray data(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        data[i] = char((i * 131 + 7) & 0x7F);
    return {"APIC", body + data};
}

QByteArray fixed(const QByteArray& bytes, int size)
{
    QByteArray out = bytes.left(size);
    out.append(QByteArray(size - out.size(), '\0'));
    return out;
}

} // namespace

QByteArray silence(int count)
{
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0xC4);
    return frame.repeated(count);
}

QByteArray id3v23Utf16(const QString& artist, const QString& title, int pictureBytes)
{
    QList<Frame> frames{{"TPE1", utf16(artist)}, {"TIT2", utf16(title)}};
    if (pictureBytes > 0)
        frames << picture(pictureBytes);
    return id3v2(3, frames);
}

QByteArray id3v24Utf8(const QString& artist, const QString& title)
{
    return id3v2(4, {{"TPE1", '\x03' + artist.toUtf8()}, {"TIT2", '\x03' + title.toUtf8()}});
}

QByteArray id3v23Latin1(const QByteArray& artist, const QByteArray& title)
{
    QList<Frame> frames;
    if (!artist.isEmpty())
        frames << Frame{"TPE1", '\0' + artist};
    if (!title.isEmpty())
        frames << Frame{"TIT2", '\0' + title};
    return id3v2(3, frames);
}

QByteArray id3v1(const QByteArray& artist, const QByteArray& title)
{
    return "TAG" + fixed(title, 30) + fixed(artist, 30) + fixed({}, 30) + fixed({}, 4) + fixed({}, 30) +
           char(0xFF);
}

QByteArray ape(const QString& artist, const QString& title)
{
    QByteArray items;
    int count = 0;
    for (const auto& [key, value] : {std::pair{"Artist", artist}, std::pair{"Title", title}}) {
        if (value.isEmpty())
            continue;
        const QByteArray text = value.toUtf8();
        appendLittleEndian(items, quint32(text.size()));
        appendLittleEndian(items, 0); // UTF-8 text
        items.append(key).append('\0').append(text);
        ++count;
    }
    // Header and footer alike but for one flag: the tag holds a header, and this is it.
    const auto mark = [&](bool header) {
        QByteArray part("APETAGEX");
        appendLittleEndian(part, 2000);
        appendLittleEndian(part, quint32(items.size() + 32));
        appendLittleEndian(part, quint32(count));
        appendLittleEndian(part, (1u << 31) | (header ? 1u << 29 : 0));
        return part + QByteArray(8, '\0');
    };
    return mark(true) + items + mark(false);
}

QByteArray withoutId3v2(const QByteArray& file)
{
    if (!file.startsWith("ID3") || file.size() < 10)
        return file;
    qsizetype size = 0;
    for (int i = 6; i < 10; ++i)
        size = (size << 7) | (file[i] & 0x7F);
    return file.mid(10 + size);
}

} // namespace Mp3Tags
