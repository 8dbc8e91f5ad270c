#pragma once

#include <string_view>

// The kinds of song file the program knows, each by the ending of its name (in any letter
// case) and by its first bytes. MP3s are always catalogued; the others with Options → All
// Audio Files. Rows of every kind play whether the option is on or not.
namespace AudioFormat {

enum class Kind
{
    None, // no song's ending
    Mp3,
    Flac,
    OggVorbis, // .ogg, .oga
    Opus,
    Mp4, // .m4a: AAC or ALAC
    Wma,
    Wav,
    Aiff // .aif, .aiff
};

// The kind a file's name says by its ending.
Kind ofName(std::string_view name);

// Whether a walk takes the file `name`: an MP3 always, another song file with `allFormats`.
inline bool isTaken(std::string_view name, bool allFormats)
{
    const Kind kind = ofName(name);
    return kind == Kind::Mp3 || (allFormats && kind != Kind::None);
}

// A few words for the kind ("an MP3", "a FLAC file"), for messages.
const char* described(Kind kind);

// Whether `bytes` (the first bytes of a file, as many as there are up to 16) begin as a file
// of `kind` does, MP3 aside: its frames are found by SongFile. For FLAC, the bytes after any
// ID3v2 tag in front.
bool beginsAs(Kind kind, std::string_view bytes);

} // namespace AudioFormat
