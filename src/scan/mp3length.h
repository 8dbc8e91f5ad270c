#pragma once

#include <QtGlobal>

#include <optional>

// How long an MP3 file plays, read from the file's own MPEG audio frames without decoding
// them. The length comes from the first of these that holds:
//  - a Xing, Info or VBRI header in the first frame, which counts the frames;
//  - a constant bitrate, seen in frames sampled all over the file (not only the first few:
//    a quiet intro is encoded at a lower bitrate than the music after it), which makes the
//    length the audio's size over the bitrate;
//  - otherwise every frame is counted, which reads the whole file.
// The first two read a few kilobytes (an ID3v2 tag in front is skipped, not read).
namespace Mp3Length {

enum class Method
{
    None,       // not a readable MP3: no frames, a tag alone, random bytes
    Header,     // a Xing, Info or VBRI header
    Constant,   // a constant bitrate
    FrameCount, // a variable bitrate without a header: every frame counted
};

struct Measurement
{
    std::optional<double> seconds;
    Method method = Method::None;
    qint64 bytesRead = 0; // bytes asked of the file system
};

// Measures the file at `path`, a name in the file system's bytes. A file that cannot be
// opened or read whole (a disc taken out) measures as None.
Measurement measure(const char* path);
// Measures the open file `fd`, which the file system says is `size` bytes long; a file
// that cannot be read as far as that measures as None.
Measurement measure(int fd, qint64 size);

} // namespace Mp3Length
