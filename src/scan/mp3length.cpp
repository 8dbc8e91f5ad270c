#include "scan/mp3length.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace Mp3Length {

namespace {

using Byte = unsigned char;

// One MPEG audio frame header, decoded.
struct Frame
{
    int version = 0; // 1 for MPEG-1, 2 for MPEG-2, 25 for MPEG-2.5
    int layer = 0;   // 1, 2 or 3
    int bitrateIndex = 0;
    int bitrate = 0; // bits a second
    int sampleRate = 0;
    bool mono = false;
    int length = 0;  // bytes, header included
    int samples = 0; // per channel
};

// Frames of one stream agree on these; a chance match in other bytes rarely does.
bool sameStream(const Frame& a, const Frame& b)
{
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

bool decode(const Byte* h, Frame* frame)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (h[1] >> 3) & 3;
    const int layerBits = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    // Reserved values, and the free bitrate, whose frames have no length of their own.
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
        (h[3] & 3) == 2)
        return false;
    static constexpr short kbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG-2 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG-2 layers II, III
    };
    static constexpr int rates[3] = {44100, 48000, 32000};
    frame->version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    frame->layer = 4 - layerBits;
    frame->bitrateIndex = bitrateIndex;
    frame->sampleRate = rates[rateIndex] / (frame->version == 1 ? 1 : frame->version == 2 ? 2 : 4);
    frame->mono = (h[3] >> 6) == 3;
    const bool mpeg1 = frame->version == 1;
    const int table = mpeg1 ? frame->layer - 1 : frame->layer == 1 ? 3 : 4;
    const int bitrate = frame->bitrate = kbps[table][bitrateIndex] * 1000;
    const int padding = (h[2] >> 1) & 1;
    if (frame->layer == 1) {
        frame->samples = 384;
        frame->length = (12 * bitrate / frame->sampleRate + padding) * 4;
    } else {
        frame->samples = frame->layer == 3 && !mpeg1 ? 576 : 1152;
        frame->length = frame->samples / 8 * bitrate / frame->sampleRate + padding;
    }
    return frame->length >= 24;
}

quint32 bigEndian(const Byte* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// Reads a file by position, a chunk at a time, counting the bytes read. Two chunks are
// kept, so that checking a few frames ahead does not read again the chunk a search
// through the bytes is in.
class Reader
{
public:
    Reader(int fd, qint64 size, qint64* counted) : m_fd(fd), m_size(size), m_counted(counted) {}

    // A read failed, or the file ended before the size it was said to have (a disc taken
    // out, a network or FUSE file system gone): whatever was measured is not to be trusted.
    bool failed() const { return m_failed; }

    // `count` bytes at `position`, read ahead in chunks of `chunk`; nullptr when the file
    // ends before them or cannot be read.
    const Byte* at(qint64 position, size_t count, size_t chunk)
    {
        for (Slot& slot : m_slots) {
            if (position >= slot.start && position + qint64(count) <= slot.start + qint64(slot.held)) {
                slot.used = ++m_clock;
                return slot.buffer.data() + (position - slot.start);
            }
        }
        Slot& slot = m_slots[0].used <= m_slots[1].used ? m_slots[0] : m_slots[1];
        chunk = std::max(chunk, count);
        slot.buffer.resize(chunk);
        slot.start = position;
        slot.held = 0;
        slot.used = ++m_clock;
        while (slot.held < chunk) {
            const ssize_t got = ::pread(m_fd, slot.buffer.data() + slot.held, chunk - slot.held,
                                        position + qint64(slot.held));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 || (got == 0 && position + qint64(slot.held) < m_size))
                m_failed = true;
            if (got <= 0)
                break;
            slot.held += size_t(got);
        }
        *m_counted += qint64(slot.held);
        return slot.held >= count ? slot.buffer.data() : nullptr;
    }

private:
    struct Slot
    {
        std::vector<Byte> buffer;
        qint64 start = -1;
        size_t held = 0;
        quint64 used = 0;
    };
    int m_fd;
    qint64 m_size;
    qint64* m_counted;
    bool m_failed = false;
    std::array<Slot, 2> m_slots;
    quint64 m_clock = 0;
};

constexpr size_t probeChunk = 4096;
constexpr size_t scanChunk = 256 * 1024;
constexpr int samplePoints = 8;
// Frames that must follow each other before a sync is believed to start the audio.
constexpr int framesToTrust = 3;

// Where the audio lies: after the ID3v2 tags in front, before the ID3v1 and APE tags at
// the end.
struct Span
{
    qint64 begin = 0;
    qint64 end = 0;
};

Span audioSpan(Reader& reader, qint64 size)
{
    Span span{0, size};
    // Tags in front are skipped by their size, never read: a cover picture can be large.
    for (int tags = 0; tags < 4; ++tags) {
        const Byte* h = reader.at(span.begin, 10, 10);
        if (!h || std::memcmp(h, "ID3", 3) != 0 || ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            break;
        const qint64 tagSize = qint64(h[6]) << 21 | qint64(h[7]) << 14 | qint64(h[8]) << 7 | h[9];
        span.begin += 10 + tagSize + ((h[5] & 0x10) ? 10 : 0);
    }
    if (span.end - span.begin >= 128) {
        const Byte* tail = reader.at(span.end - 128, 128, 128);
        if (tail && std::memcmp(tail, "TAG", 3) == 0)
            span.end -= 128;
    }
    if (span.end - span.begin >= 32) {
        const Byte* ape = reader.at(span.end - 32, 32, 32);
        if (ape && std::memcmp(ape, "APETAGEX", 8) == 0) {
            const qint64 size =
                qint64(ape[12]) | qint64(ape[13]) << 8 | qint64(ape[14]) << 16 | qint64(ape[15]) << 24;
            const bool hasHeader = ape[23] & 0x80;
            span.end = std::max(span.begin, span.end - size - (hasHeader ? 32 : 0));
        }
    }
    return span;
}

// The frame at `position` when it and the frames after it (up to `follow` of them, or up
// to the end of the audio) are of one stream: like `like` when that is given.
bool frameChainAt(Reader& reader, qint64 position, const Span& span, int follow, const Frame* like,
                  size_t chunk, Frame* first)
{
    for (int n = 0; n < follow; ++n) {
        if (position == span.end && n > 0)
            return true; // the audio ends with the last frame
        if (position + 4 > span.end)
            return false;
        const Byte* h = reader.at(position, 4, chunk);
        Frame next;
        if (!h || !decode(h, &next))
            return false;
        if (n == 0) {
            if (like && !sameStream(next, *like))
                return false;
            *first = next;
        } else if (!sameStream(next, *first)) {
            return false;
        }
        position += next.length;
    }
    return true;
}

// The first frame at or after `from`, looking no further than `within` bytes.
qint64 findFrame(Reader& reader, qint64 from, qint64 within, const Span& span, const Frame* like,
                 size_t chunk, Frame* found)
{
    const qint64 last = std::min(span.end - 4, from + within);
    for (qint64 p = from; p <= last; ++p) {
        const Byte* h = reader.at(p, 2, chunk);
        if (!h)
            return -1;
        if (h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 &&
            frameChainAt(reader, p, span, framesToTrust, like, chunk, found))
            return p;
    }
    return -1;
}

// Whether `frames` frames like `frame` can be held in `bytes` at all: each takes at least
// what the lowest bitrate of its kind takes. A header that counts more is wrong (damaged, or
// written for a file that was cut short) and is not believed.
bool fits(quint32 frames, const Frame& frame, qint64 bytes)
{
    const int lowest = frame.version == 1 || frame.layer == 1 ? 32000 : 8000;
    const double shortest = frame.layer == 1 ? double(12 * lowest / frame.sampleRate) * 4
                                             : double(frame.samples / 8) * lowest / frame.sampleRate;
    return double(frames - 1) * shortest <= double(bytes);
}

// The length a Xing, Info or VBRI header in `frame` at `position` gives, when it has one.
std::optional<double> headerLength(Reader& reader, qint64 position, const Span& span, const Frame& frame)
{
    // A short file's first frame may end the file: only what is there is looked at.
    const size_t held = size_t(std::min<qint64>(200, span.end - position));
    const Byte* f = reader.at(position, held, probeChunk);
    if (!f || held < 40)
        return std::nullopt;
    const size_t sideInfo = frame.version == 1 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    const Byte* xing = f + 4 + sideInfo;
    if (4 + sideInfo + 12 <= held &&
        (std::memcmp(xing, "Xing", 4) == 0 || std::memcmp(xing, "Info", 4) == 0)) {
        const quint32 flags = bigEndian(xing + 4);
        if (!(flags & 1))
            return std::nullopt;
        const quint32 frames = bigEndian(xing + 8);
        if (frames == 0 || !fits(frames, frame, span.end - position))
            return std::nullopt;
        double samples = double(frames) * frame.samples;
        // The encoder's delay and padding, kept by LAME after the header's fields, are not
        // heard; when all four fields are there its tag lies 120 bytes in.
        if ((flags & 0xF) == 0xF && 4 + sideInfo + 144 <= held) {
            const Byte* delays = xing + 141;
            const int delay = delays[0] << 4 | delays[1] >> 4;
            const int padding = (delays[1] & 0x0F) << 8 | delays[2];
            if (std::memcmp(xing + 120, "LAME", 4) == 0 && delay + padding < samples)
                samples -= delay + padding;
        }
        return samples / frame.sampleRate;
    }
    if (held < 36 + 18)
        return std::nullopt;
    const Byte* vbri = f + 36;
    if (std::memcmp(vbri, "VBRI", 4) == 0) {
        const quint32 frames = bigEndian(vbri + 14);
        if (frames > 0 && fits(frames, frame, span.end - position))
            return double(frames) * frame.samples / frame.sampleRate;
    }
    return std::nullopt;
}

// What frames sampled all over the audio say of its bitrate.
enum class Bitrate
{
    Constant, // all share the first frame's
    Variable,
    NoAudio // most places hold no frames: a file far larger than its audio (cut, or sparse)
};

Bitrate sampleBitrate(Reader& reader, const Span& span, qint64 firstFrame, const Frame& first)
{
    const qint64 audio = span.end - firstFrame;
    int silent = 0;
    for (int point = 0; point <= samplePoints; ++point) {
        const qint64 from = firstFrame + audio * point / (samplePoints + 1);
        Frame frame;
        const qint64 at = findFrame(reader, from, qint64(probeChunk) / 2, span, &first, probeChunk, &frame);
        if (at < 0) {
            ++silent; // damage or a tag inside: nothing to learn here, unless most places are so
            continue;
        }
        // The frames that follow, as many as the chunk read holds.
        qint64 p = at;
        for (int n = 0; n < 16 && p + 4 <= span.end; ++n) {
            const Byte* h = reader.at(p, 4, probeChunk);
            if (!h || !decode(h, &frame) || !sameStream(frame, first))
                break;
            if (frame.bitrateIndex != first.bitrateIndex)
                return Bitrate::Variable;
            p += frame.length;
            if (p + 4 > from + qint64(probeChunk))
                break;
        }
    }
    return 2 * silent > samplePoints + 1 ? Bitrate::NoAudio : Bitrate::Constant;
}

// Counts every frame from the first to the end of the audio; damage in between is passed
// over to the next frame of the same stream.
std::optional<double> countFrames(Reader& reader, const Span& span, qint64 firstFrame, const Frame& first)
{
    qint64 samples = 0;
    qint64 p = firstFrame;
    Frame frame;
    while (p + 4 <= span.end) {
        const Byte* h = reader.at(p, 4, scanChunk);
        if (!h)
            break;
        if (decode(h, &frame) && sameStream(frame, first) &&
            p + frame.length <= span.end + frame.length / 2) {
            samples += frame.samples;
            p += frame.length;
            continue;
        }
        const qint64 next = findFrame(reader, p + 1, span.end, span, &first, scanChunk, &frame);
        if (next < 0)
            break;
        p = next;
    }
    if (samples == 0)
        return std::nullopt;
    return double(samples) / first.sampleRate;
}

} // namespace

Measurement measure(const char* path)
{
    Measurement result;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return result;
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        result = measure(fd, qint64(info.st_size));
    ::close(fd);
    return result;
}

Measurement measure(int fd, qint64 size)
{
    Measurement result;
    Reader reader(fd, size, &result.bytesRead);
    const Span span = audioSpan(reader, size);
    Frame first;
    const qint64 firstFrame =
        findFrame(reader, span.begin, qint64(probeChunk) * 4, span, nullptr, probeChunk, &first);
    if (firstFrame >= 0) {
        Bitrate bitrate = Bitrate::Variable;
        if ((result.seconds = headerLength(reader, firstFrame, span, first))) {
            result.method = Method::Header;
        } else if ((bitrate = sampleBitrate(reader, span, firstFrame, first)) == Bitrate::Constant) {
            result.method = Method::Constant;
            result.seconds = double(span.end - firstFrame) * 8 / first.bitrate;
        } else if (bitrate == Bitrate::Variable &&
                   (result.seconds = countFrames(reader, span, firstFrame, first))) {
            result.method = Method::FrameCount;
        }
    }
    // A length cut short by a read error would be stored as if it were true.
    if (reader.failed()) {
        result.seconds.reset();
        result.method = Method::None;
    }
    return result;
}

} // namespace Mp3Length
