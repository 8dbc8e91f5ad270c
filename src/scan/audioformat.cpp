#include "scan/audioformat.h"

#include <cstring>

namespace AudioFormat {

namespace {

struct Ending
{
    const char* text; // lower case, with its dot
    Kind kind;
};

constexpr Ending endings[] = {
    {".mp3", Kind::Mp3},   {".flac", Kind::Flac}, {".ogg", Kind::OggVorbis}, {".oga", Kind::OggVorbis},
    {".opus", Kind::Opus}, {".m4a", Kind::Mp4},   {".wma", Kind::Wma},       {".wav", Kind::Wav},
    {".aif", Kind::Aiff},  {".aiff", Kind::Aiff},
};

bool endsWithNoCase(std::string_view name, std::string_view ending)
{
    if (name.size() < ending.size())
        return false;
    const std::string_view end = name.substr(name.size() - ending.size());
    for (size_t i = 0; i < ending.size(); ++i) {
        const char c = end[i];
        if ((c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) != ending[i])
            return false;
    }
    return true;
}

// The header object of an ASF (WMA) file: its GUID, as the file holds it.
constexpr unsigned char asfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

bool at(std::string_view bytes, size_t offset, std::string_view text)
{
    return bytes.size() >= offset + text.size() && bytes.substr(offset, text.size()) == text;
}

} // namespace

Kind ofName(std::string_view name)
{
    for (const Ending& ending : endings) {
        if (endsWithNoCase(name, ending.text))
            return ending.kind;
    }
    return Kind::None;
}

const char* described(Kind kind)
{
    switch (kind) {
    case Kind::Mp3:
        return "an MP3";
    case Kind::Flac:
        return "a FLAC file";
    case Kind::OggVorbis:
        return "an Ogg Vorbis file";
    case Kind::Opus:
        return "an Opus file";
    case Kind::Mp4:
        return "an MP4 audio file";
    case Kind::Wma:
        return "a WMA file";
    case Kind::Wav:
        return "a WAV file";
    case Kind::Aiff:
        return "an AIFF file";
    case Kind::None:
        break;
    }
    return "a song";
}

bool beginsAs(Kind kind, std::string_view bytes)
{
    switch (kind) {
    case Kind::Flac:
        return at(bytes, 0, "fLaC");
    case Kind::OggVorbis:
    case Kind::Opus:
        return at(bytes, 0, "OggS");
    case Kind::Mp4:
        return at(bytes, 4, "ftyp");
    case Kind::Wma:
        return bytes.size() >= 16 && std::memcmp(bytes.data(), asfHeader, 16) == 0;
    case Kind::Wav:
        return (at(bytes, 0, "RIFF") || at(bytes, 0, "RF64")) && at(bytes, 8, "WAVE");
    case Kind::Aiff:
        return at(bytes, 0, "FORM") && (at(bytes, 8, "AIFF") || at(bytes, 8, "AIFC"));
    case Kind::Mp3:
    case Kind::None:
        break;
    }
    return false;
}

} // namespace AudioFormat
