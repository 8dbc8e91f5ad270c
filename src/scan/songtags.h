#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace TagLib {
class String;
class Tag;
namespace ID3v2 {
class Tag;
}
} // namespace TagLib

// Artist and title from a song file's tags, each format's own: for an MP3, ID3v2, then APE,
// then ID3v1, the first that has both; Vorbis comments, MP4 atoms, ASF attributes, and ID3v2
// or RIFF INFO in WAV and AIFF files. Text that old players wrote as "Latin-1" but in a local code page
// (Cyrillic from Windows-1251 players is the best-known case) is read in the code page chosen; text in UTF-8
// or UTF-16 is taken as it is.
namespace SongTags {

// The code pages offered for such tags, the default first.
const QStringList& codePages();
// `name` as offered, matched without regard to case; the default for a name not offered.
QString codePageNamed(const QString& name);

struct Names
{
    std::string artist; // UTF-8, trimmed
    std::string title;
};

// Reads the tags of one file after another; one reader to a thread.
class Reader
{
public:
    explicit Reader(const QString& codePage = QString());
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The names of the first tag with both an artist and a title; text that is empty, all
    // blanks or control characters counts as none. Nothing when no tag has both or the file
    // cannot be read. `path` is the file system's bytes.
    std::optional<Names> read(const char* path);

private:
    // `bytes` of a "Latin-1" frame in the code page chosen, as UTF-8.
    std::string fromCodePage(const std::string& bytes);
    // A tag's text as UTF-8: in the code page chosen when the tag says "Latin-1".
    std::string text(const TagLib::String& value, bool latin1);
    std::optional<Names> fromId3v2(TagLib::ID3v2::Tag* tag);
    // A tag of 8-bit text (ID3v1, RIFF INFO): in the code page chosen.
    std::optional<Names> fromLatin1(TagLib::Tag* tag);
    // A tag of Unicode text (Vorbis comments, MP4 atoms, ASF attributes, APE).
    std::optional<Names> fromUnicode(TagLib::Tag* tag);
    std::optional<Names> readMp3(const char* path);
    template <typename File> std::optional<Names> readTag(const char* path);

    void* m_convert; // iconv's descriptor
};

} // namespace SongTags
