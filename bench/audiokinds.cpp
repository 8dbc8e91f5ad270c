#include "audiokinds.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>

namespace AudioKinds {

namespace {

constexpr int sampleRate = 11025;

// A mono 16-bit WAV file of a tone lasting `seconds`, written byte by byte.
QByteArray toneWav(double seconds)
{
    const qint32 frames = qint32(std::lround(seconds * sampleRate));
    QByteArray data(frames * 2, Qt::Uninitialized);
    for (qint32 i = 0; i < frames; ++i) {
        const qint16 sample = qint16(8000 * std::sin(2 * M_PI * 440.0 * i / sampleRate));
        qToLittleEndian(sample, data.data() + 2 * i);
    }
    QByteArray wav("RIFF");
    const auto le32 = [&wav](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        wav.append(b, 4);
    };
    const auto le16 = [&wav](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        wav.append(b, 2);
    };
    le32(quint32(36 + data.size()));
    wav += "WAVEfmt ";
    le32(16);
    le16(1);
    le16(1);
    le32(sampleRate);
    le32(sampleRate * 2);
    le16(2);
    le16(16);
    wav += "data";
    le32(quint32(data.size()));
    return wav + data;
}

// The encoder's command that turns `source` into `target` with the tags `artist` and `title`.
QStringList encoderCommand(const QString& ending, const QString& source, const QString& target,
                           const QString& artist, const QString& title)
{
    const QStringList ffmpeg = {"ffmpeg", "-v", "error", "-y", "-i", source, "-metadata", "artist=" + artist,
                                "-metadata", "title=" + title};
    if (ending == "flac")
        return {"flac", "-s", "-f", "--tag=ARTIST=" + artist, "--tag=TITLE=" + title, "-o", target, source};
    if (ending == "ogg")
        return {"oggenc", "-Q", "-q", "0", "-a", artist, "-t", title, "-o", target, source};
    if (ending == "opus")
        return {"opusenc", "--quiet", "--artist", artist, "--title", title, source, target};
    if (ending == "mp3")
        return {"lame", "--quiet", "--ta", artist, "--tt", title, source, target};
    if (ending == "m4a")
        return ffmpeg + QStringList{"-c:a", "aac", "-b:a", "48k", target};
    if (ending == "wma")
        return ffmpeg + QStringList{"-c:a", "wmav2", "-b:a", "48k", target};
    if (ending == "aiff")
        return ffmpeg + QStringList{"-write_id3v2", "1", target};
    return ffmpeg + QStringList{target}; // wav: the tags in its INFO chunk
}

bool run(const QStringList& command, QString* error)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    if (!process.waitForStarted()) {
        *error = QStringLiteral("%1 cannot be started: %2").arg(command.first(), process.errorString());
        return false;
    }
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        *error = QStringLiteral("%1 failed: %2")
                     .arg(command.first(), QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

} // namespace

const QStringList& endings()
{
    static const QStringList all = {"mp3", "flac", "ogg", "opus", "m4a", "wma", "wav", "aiff"};
    return all;
}

bool make(const QString& folder, int count, QList<Made>* made, QString* error, double shortest)
{
    QTemporaryDir work;
    for (int i = 0; i < count; ++i) {
        // Lengths from `shortest` on, a little longer each, with fractions of a second.
        const double seconds = shortest + (i * 7 % 41) + (i % 10) / 10.0;
        const QString source = work.filePath(QStringLiteral("tone%1.wav").arg(i));
        QFile wav(source);
        if (!wav.open(QIODevice::WriteOnly) || wav.write(toneWav(seconds)) < 0) {
            *error = wav.errorString();
            return false;
        }
        wav.close();
        for (const QString& ending : endings()) {
            const QString target = QStringLiteral("%1/%2/Artist %3-Title %3 %2.%2").arg(folder, ending).arg(i);
            QDir().mkpath(QFileInfo(target).path());
            const Made file{target,
                            ending,
                            double(std::lround(seconds * sampleRate)) / sampleRate,
                            QStringLiteral("Artist %1").arg(i),
                            QStringLiteral("Title %1 %2").arg(i).arg(ending),
                            QStringLiteral("Tag Artist %1").arg(i),
                            QStringLiteral("Tag Title %1 %2").arg(i).arg(ending)};
            if (!run(encoderCommand(ending, source, target, file.tagArtist, file.tagTitle), error))
                return false;
            made->append(file);
        }
    }
    return true;
}

} // namespace AudioKinds
