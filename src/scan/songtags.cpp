#include "scan/songtags.h"

#include "scan/audioformat.h"

#include <aifffile.h>
#include <apetag.h>
#include <asffile.h>
#include <flacfile.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <infotag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <vorbisfile.h>
#include <wavfile.h>
#include <xiphcomment.h>

#include <cerrno>

#include <iconv.h>

namespace SongTags {

const QStringList& codePages()
{
    static const QStringList names = {QStringLiteral("windows-1252"), QStringLiteral("windows-1250"),
                                      QStringLiteral("windows-1251"), QStringLiteral("KOI8-R"),
                                      QStringLiteral("Shift_JIS"),    QStringLiteral("GBK")};
    return names;
}

QString codePageNamed(const QString& name)
{
    for (const QString& known : codePages()) {
        if (known.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return known;
    }
    return codePages().first();
}

namespace {

const iconv_t noConverter = reinterpret_cast<iconv_t>(-1);

// The longest text of a tag that is taken: a name, not a tag stuffed with a megabyte.
constexpr qsizetype maxTagText = 1024;

// The text of a tag as the catalogue keeps it: control characters left out, blanks trimmed,
// cut after maxTagText characters. Empty when nothing is left.
std::string cleaned(const std::string& utf8)
{
    QString text = QString::fromStdString(utf8);
    text.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    text = text.trimmed();
    if (text.size() > maxTagText) {
        text.truncate(maxTagText);
        if (text.back().isHighSurrogate())
            text.chop(1); // never half a character
    }
    return text.toStdString();
}

// The bytes a "Latin-1" text was read from: TagLib reads each byte as the character of the
// same number.
std::string latin1Bytes(const TagLib::String& text)
{
    return text.to8Bit(false);
}

TagLib::String firstText(TagLib::ID3v2::Tag* tag, const char* frameId, bool* latin1)
{
    const TagLib::ID3v2::FrameList& frames = tag->frameListMap()[frameId];
    for (TagLib::ID3v2::Frame* frame : frames) {
        if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
            *latin1 = text->textEncoding() == TagLib::String::Latin1;
            return text->toString();
        }
    }
    return TagLib::String();
}

} // namespace

Reader::Reader(const QString& codePage)
    : m_convert(::iconv_open("UTF-8", codePageNamed(codePage).toLatin1().constData()))
{
}

Reader::~Reader()
{
    if (m_convert != noConverter)
        ::iconv_close(static_cast<iconv_t>(m_convert));
}

std::string Reader::fromCodePage(const std::string& bytes)
{
    if (m_convert == noConverter)
        return TagLib::String(bytes, TagLib::String::Latin1).to8Bit(true);
    auto* convert = static_cast<iconv_t>(m_convert);
    ::iconv(convert, nullptr, nullptr, nullptr, nullptr);
    std::string out(bytes.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* to = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (::iconv(convert, &in, &inLeft, &to, &outLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte the code page has no character for stands as the replacement character.
        ++in;
        --inLeft;
        if (outLeft < 3)
            break;
        for (const char c : {'\xEF', '\xBF', '\xBD'})
            *to++ = c;
        outLeft -= 3;
    }
    out.resize(size_t(to - out.data()));
    return out;
}

namespace {

std::optional<Names> complete(Names names)
{
    names.artist = cleaned(names.artist);
    names.title = cleaned(names.title);
    if (names.artist.empty() || names.title.empty())
        return std::nullopt;
    return names;
}

} // namespace

std::optional<Names> Reader::fromId3v2(TagLib::ID3v2::Tag* tag)
{
    if (!tag)
        return std::nullopt;
    bool artistLatin1 = false, titleLatin1 = false;
    const TagLib::String artist = firstText(tag, "TPE1", &artistLatin1);
    const TagLib::String title = firstText(tag, "TIT2", &titleLatin1);
    return complete({text(artist, artistLatin1), text(title, titleLatin1)});
}

std::optional<Names> Reader::fromLatin1(TagLib::Tag* tag)
{
    return tag ? complete({text(tag->artist(), true), text(tag->title(), true)}) : std::nullopt;
}

std::optional<Names> Reader::fromUnicode(TagLib::Tag* tag)
{
    return tag ? complete({tag->artist().to8Bit(true), tag->title().to8Bit(true)}) : std::nullopt;
}

std::string Reader::text(const TagLib::String& value, bool latin1)
{
    return latin1 ? fromCodePage(latin1Bytes(value)) : value.to8Bit(true);
}

std::optional<Names> Reader::read(const char* path)
{
    // Each format's own tags, those a player of it writes first; text a tag marks as
    // "Latin-1" (ID3, RIFF INFO) is read in the code page chosen.
    switch (AudioFormat::ofName(path)) {
    case AudioFormat::Kind::Mp3:
        return readMp3(path);
    case AudioFormat::Kind::Flac: {
        TagLib::FLAC::File file(path, false);
        if (!file.isValid())
            return std::nullopt;
        auto names = fromUnicode(file.xiphComment());
        if (!names && file.hasID3v2Tag())
            names = fromId3v2(file.ID3v2Tag());
        return names || !file.hasID3v1Tag() ? names : fromLatin1(file.ID3v1Tag());
    }
    case AudioFormat::Kind::OggVorbis:
        return readTag<TagLib::Ogg::Vorbis::File>(path);
    case AudioFormat::Kind::Opus:
        return readTag<TagLib::Ogg::Opus::File>(path);
    case AudioFormat::Kind::Mp4:
        return readTag<TagLib::MP4::File>(path);
    case AudioFormat::Kind::Wma:
        return readTag<TagLib::ASF::File>(path);
    case AudioFormat::Kind::Wav: {
        TagLib::RIFF::WAV::File file(path, false);
        if (!file.isValid())
            return std::nullopt;
        auto names = file.hasID3v2Tag() ? fromId3v2(file.ID3v2Tag()) : std::nullopt;
        return names || !file.hasInfoTag() ? names : fromLatin1(file.InfoTag());
    }
    case AudioFormat::Kind::Aiff: {
        TagLib::RIFF::AIFF::File file(path, false);
        return file.isValid() && file.hasID3v2Tag() ? fromId3v2(file.tag()) : std::nullopt;
    }
    case AudioFormat::Kind::None:
        break;
    }
    return std::nullopt;
}

template <typename File> std::optional<Names> Reader::readTag(const char* path)
{
    File file(path, false);
    return file.isValid() ? fromUnicode(file.tag()) : std::nullopt;
}

std::optional<Names> Reader::readMp3(const char* path)
{
    TagLib::MPEG::File file(path, false);
    if (!file.isValid())
        return std::nullopt;
    if (file.hasID3v2Tag()) {
        if (auto names = fromId3v2(file.ID3v2Tag()))
            return names;
    }
    if (file.hasAPETag()) {
        if (auto names = fromUnicode(file.APETag()))
            return names;
    }
    return file.hasID3v1Tag() ? fromLatin1(file.ID3v1Tag()) : std::nullopt;
}

} // namespace SongTags
