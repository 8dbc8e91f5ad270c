#include "mp3kinds.h"

#include <QFile>
#include <QProcess>

#include <cmath>
#include <cstring>

namespace Mp3Kinds {

namespace {

constexpr int sampleRate = 44100;

// Stereo 16-bit sound that a VBR encoder spends very different bitrates on: tones with
// noise that swells and fades, after `quietSeconds` of near silence.
QByteArray sound(double seconds, double quietSeconds)
{
    const qint64 frames = qint64(seconds * sampleRate);
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    quint32 noise = 12345;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        noise = noise * 1664525u + 1013904223u;
        const double white = double(qint32(noise)) / 2147483648.0;
        double value;
        if (t < quietSeconds) {
            value = white * 0.0005;
        } else {
            const double swell = 0.5 + 0.5 * std::sin(t * 0.9);
            value = 0.3 * std::sin(2 * M_PI * (220 + 40 * std::sin(t)) * t) + 0.5 * swell * white;
        }
        const auto sample = qint16(std::lround(std::clamp(value, -1.0, 1.0) * 32000));
        out[2 * i] = sample;
        out[2 * i + 1] = qint16(sample / 2);
    }
    return pcm;
}

// An ID3v2.3 tag holding one picture frame of `pictureBytes`.
QByteArray pictureTag(int pictureBytes)
{
    QByteArray frame("APIC");
    QByteArray body;
    body.append('\0').append("image/jpeg").append('\0').append('\x03').append("Cover").append('\0');
    QByteArray picture(pictureBytes, '\0');
    for (int i = 0; i < pictureBytes; ++i)
        picture[i] = char((i * 131 + 7) & 0xFF); // no sync-like 0xFF 0xEx runs of note
    body.append(picture);
    for (int shift = 24; shift >= 0; shift -= 8)
        frame.append(char((body.size() >> shift) & 0xFF));
    frame.append('\0').append('\0').append(body);
    QByteArray tag("ID3\x03\x00\x00", 6);
    const qint64 size = frame.size();
    for (int shift = 21; shift >= 0; shift -= 7)
        tag.append(char((size >> shift) & 0x7F));
    return tag + frame;
}

} // namespace

const char* name(Kind kind)
{
    switch (kind) {
    case Kind::ConstantWithInfo:
        return "constant bitrate, Info header";
    case Kind::ConstantNoHeader:
        return "constant bitrate, no header";
    case Kind::VariableWithXing:
        return "variable bitrate, Xing header";
    case Kind::VariableNoHeader:
        return "variable bitrate, no header";
    case Kind::QuietIntroNoHeader:
        return "variable bitrate, no header, quiet intro";
    case Kind::LargeTagInFront:
        return "300 KB ID3v2 tag in front";
    }
    return "";
}

bool make(Kind kind, double seconds, const QString& path, QString* error, const QString& sampleRate)
{
    QStringList args = {"-r", "-s", "44.1",   "--bitwidth", "16", "--signed", "--little-endian",
                        "-m", "j",  "--quiet"};
    const bool variable =
        kind == Kind::VariableWithXing || kind == Kind::VariableNoHeader || kind == Kind::QuietIntroNoHeader;
    args << (variable ? QStringList{"-V", "2"} : QStringList{"-b", "160"});
    if (kind != Kind::ConstantWithInfo && kind != Kind::VariableWithXing)
        args << "-t";
    if (!sampleRate.isEmpty())
        args << "--resample" << sampleRate;
    args << "-" << path;
    QProcess lame;
    lame.start(QStringLiteral("lame"), args);
    if (!lame.waitForStarted()) {
        *error = QStringLiteral("lame cannot be started: %1").arg(lame.errorString());
        return false;
    }
    lame.write(sound(seconds, kind == Kind::QuietIntroNoHeader ? seconds * 0.3 : 0));
    lame.closeWriteChannel();
    if (!lame.waitForFinished(120000) || lame.exitCode() != 0) {
        *error = QStringLiteral("lame failed: %1").arg(QString::fromLocal8Bit(lame.readAllStandardError()));
        return false;
    }
    if (kind == Kind::LargeTagInFront) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.errorString();
            return false;
        }
        const QByteArray audio = file.readAll();
        file.close();
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(pictureTag(300 * 1024) + audio) < 0) {
            *error = file.errorString();
            return false;
        }
    }
    return true;
}

} // namespace Mp3Kinds
