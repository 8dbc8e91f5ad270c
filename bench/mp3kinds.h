#pragma once

#include <QString>

// Real MP3 files of the kinds whose lengths are hard to tell, encoded by Debian's `lame`
// from sound made here: for the play time tests and the play time benchmark.
namespace Mp3Kinds {

enum class Kind
{
    ConstantWithInfo,   // constant bitrate with LAME's Info header
    ConstantNoHeader,   // constant bitrate, no header
    VariableWithXing,   // variable bitrate with a Xing header
    VariableNoHeader,   // variable bitrate without a header
    QuietIntroNoHeader, // variable bitrate, no header, and a long near-silent start
    LargeTagInFront,    // constant bitrate, no header, behind a 300 KB ID3v2 tag with a picture
};
constexpr int kindCount = 6;

const char* name(Kind kind);

// Encodes `seconds` of sound as `kind` into `path`, at `sampleRate` kHz (22.05 makes MPEG-2
// frames, 11.025 or 8 MPEG-2.5) or at 44.1 (MPEG-1). False, with the reason in `error`,
// when lame is missing or fails.
bool make(Kind kind, double seconds, const QString& path, QString* error, const QString& sampleRate = {});

} // namespace Mp3Kinds
