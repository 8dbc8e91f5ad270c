#pragma once

#include <QtGlobal>

#include <optional>

// How long a song file plays, by its kind: an MP3 from its own frames (Mp3Length); the others
// from what their headers say, as TagLib reads them: FLAC, WAV and AIFF exactly (samples over
// the sample rate), Ogg Vorbis and Opus by the last page's granule position (Opus less its
// pre-skip), MP4 by its movie header, WMA by its file properties.
namespace AudioLength {

// Seconds; nothing when the file cannot be read or tells no length. `path` is the file
// system's bytes.
std::optional<double> seconds(const char* path);

} // namespace AudioLength
