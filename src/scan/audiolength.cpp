#include "scan/audiolength.h"

#include "scan/audioformat.h"
#include "scan/mp3length.h"

#include <aifffile.h>
#include <asffile.h>
#include <flacfile.h>
#include <mp4file.h>
#include <opusfile.h>
#include <vorbisfile.h>
#include <wavfile.h>

namespace AudioLength {

namespace {

// The length a file's properties give in milliseconds; nothing for none.
template <typename File> std::optional<double> fromProperties(const char* path)
{
    File file(path, true, TagLib::AudioProperties::Average);
    if (!file.isValid() || !file.audioProperties() || file.audioProperties()->lengthInMilliseconds() <= 0)
        return std::nullopt;
    return file.audioProperties()->lengthInMilliseconds() / 1000.0;
}

// The exact length of a file that counts its samples.
template <typename File> std::optional<double> fromSamples(const char* path)
{
    File file(path, true, TagLib::AudioProperties::Average);
    const auto* properties = file.isValid() ? file.audioProperties() : nullptr;
    if (!properties || properties->sampleRate() <= 0 || properties->sampleFrames() == 0)
        return std::nullopt;
    return double(properties->sampleFrames()) / properties->sampleRate();
}

} // namespace

std::optional<double> seconds(const char* path)
{
    switch (AudioFormat::ofName(path)) {
    case AudioFormat::Kind::Mp3:
        return Mp3Length::measure(path).seconds;
    case AudioFormat::Kind::Flac:
        return fromSamples<TagLib::FLAC::File>(path);
    case AudioFormat::Kind::Wav:
        return fromSamples<TagLib::RIFF::WAV::File>(path);
    case AudioFormat::Kind::Aiff:
        return fromSamples<TagLib::RIFF::AIFF::File>(path);
    case AudioFormat::Kind::OggVorbis:
        return fromProperties<TagLib::Ogg::Vorbis::File>(path);
    case AudioFormat::Kind::Opus:
        return fromProperties<TagLib::Ogg::Opus::File>(path);
    case AudioFormat::Kind::Mp4:
        return fromProperties<TagLib::MP4::File>(path);
    case AudioFormat::Kind::Wma:
        return fromProperties<TagLib::ASF::File>(path);
    case AudioFormat::Kind::None:
        break;
    }
    return std::nullopt;
}

} // namespace AudioLength
