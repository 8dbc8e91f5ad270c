#include "browse/exporter.h"

#include "browse/songfinder.h"
#include "store/playtime.h"
#include "store/rowstream.h"

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <array>

namespace Exporter {

namespace {

constexpr size_t chunkBytes = 1 << 20;

// The fields in the grid's order, each with its caption.
constexpr std::array<int, Song::FieldCount> columns = {
    Song::Artist, Song::Title, Song::Playtime, Song::MP3cd, Song::ONcd, Song::Category, Song::FullPath};

std::string_view yesNo(const RowText& row)
{
    if (row.null[Song::ONcd])
        return {};
    const std::string_view value = row.field[Song::ONcd];
    return value == "0" || value.empty() ? std::string_view("NotYet") : std::string_view("Yes");
}

void appendCsvField(std::string& out, std::string_view value)
{
    bool quote = false;
    for (const char c : value) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out.append(value);
        return;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvRow(std::string& out, const RowText& row)
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            out += ',';
        const int field = columns[i];
        appendCsvField(out, field == Song::ONcd ? yesNo(row) : row.field[size_t(field)]);
    }
    out += "\r\n";
}

QString text(const RowText& row, int field)
{
    const std::string_view value = row.field[size_t(field)];
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

// A line of the playlist holds no line break.
void appendOneLine(std::string& out, std::string_view value)
{
    for (const char c : value)
        out += c == '\r' || c == '\n' ? ' ' : c;
}

void appendPlaylistEntry(std::string& out, const RowText& row, const QByteArray& file)
{
    const std::optional<qint64> seconds = PlayTime::seconds(text(row, Song::Playtime));
    out += "#EXTINF:";
    out += std::to_string(seconds ? *seconds : -1);
    out += ',';
    appendOneLine(out, row.field[Song::Artist]);
    out += " - ";
    appendOneLine(out, row.field[Song::Title]);
    out += '\n';
    // A name that is no UTF-8, or holds a line break, goes as a file URL.
    if (QByteArrayView(file).isValidUtf8() && !file.contains('\n') && !file.contains('\r'))
        out.append(file.constData(), size_t(file.size()));
    else
        out += "file://" + file.toPercentEncoding("/").toStdString();
    out += '\n';
}

// The system's own words for the last failure (a full disk says "No space left on device"),
// where the file's are none.
Failure writeFailure(const QString& path, const QSaveFile& file, int systemError)
{
    const QString why =
        systemError != 0 ? QString::fromLocal8Bit(std::strerror(systemError)) : file.errorString();
    return {FailureNumber::InvalidArgument, QStringLiteral("'%1' could not be written: %2").arg(path, why),
            FailureKind::File};
}

// Why a file that is there must not be replaced: it is no regular file (a device, a FIFO, a
// folder, or a link to one), or its owner marked it read-only, which holds even for the
// superuser. Empty when it may be replaced, or is not there.
QString replaceRefusal(const QString& path)
{
    const QFileInfo target(path); // links followed
    if (!target.exists())
        return target.isSymLink() ? QStringLiteral("it is a link to nothing") : QString();
    if (!target.isFile())
        return QStringLiteral("it is not a regular file");
    if (!(target.permissions() & QFileDevice::WriteOwner))
        return QStringLiteral("it is marked read-only");
    return {};
}

void appendHead(std::string& out, Format format)
{
    if (format == Format::Csv) {
        out += "\xEF\xBB\xBF";
        for (size_t i = 0; i < columns.size(); ++i)
            out += (i > 0 ? "," : "") + Song::fieldNames()[columns[i]].toStdString();
        out += "\r\n";
    } else {
        out += "#EXTM3U\n";
    }
}

// The export's file while it is written: bytes gathered a chunk at a time and handed over,
// with the system's own words for a failure. It takes the old file's place only when whole.
class OutputFile
{
public:
    explicit OutputFile(const QString& path) : m_path(path), m_file(path)
    {
        m_buffer.reserve(chunkBytes + 4096);
    }

    Failure open()
    {
        if (const QString refusal = replaceRefusal(m_path); !refusal.isEmpty())
            return {FailureNumber::InvalidArgument,
                    QStringLiteral("'%1' was left as it is: %2.").arg(m_path, refusal), FailureKind::File};
        errno = 0;
        return m_file.open(QIODevice::WriteOnly) ? Failure() : writeFailure(m_path, m_file, errno);
    }
    std::string& buffer() { return m_buffer; }
    // Hands what was gathered to the file once it is a chunk (or, with `all`, whatever it is);
    // false once a write failed.
    bool hand(bool all = false)
    {
        if (m_failed || (!all && m_buffer.size() < chunkBytes))
            return !m_failed;
        errno = 0;
        m_failed = m_file.write(m_buffer.data(), qint64(m_buffer.size())) != qint64(m_buffer.size());
        m_systemError = m_failed ? errno : 0;
        m_buffer.clear();
        return !m_failed;
    }
    // The rest handed over and flushed before commit(), which alone would let a failed last
    // write (a full disk) put a cut-off file in place.
    Failure finish()
    {
        if (hand(true)) {
            errno = 0;
            m_failed = !m_file.flush();
            m_systemError = m_failed ? errno : 0;
        }
        if (!m_failed) {
            errno = 0;
            m_failed = !m_file.commit();
            m_systemError = m_failed ? errno : 0;
        }
        return m_failed ? writeFailure(m_path, m_file, m_systemError) : Failure();
    }
    void abandon() { m_file.cancelWriting(); }

private:
    QString m_path;
    QSaveFile m_file;
    std::string m_buffer;
    bool m_failed = false;
    int m_systemError = 0;
};

} // namespace

Failure writeCsv(const QString& path, const QList<QStringList>& lines)
{
    OutputFile file(path);
    if (Failure f = file.open())
        return f;
    std::string& out = file.buffer();
    out += "\xEF\xBB\xBF";
    for (const QStringList& line : lines) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (i > 0)
                out += ',';
            appendCsvField(out, line[i].toStdString());
        }
        out += "\r\n";
        if (!file.hand())
            break; // said by finish(), which leaves the old file as it was
    }
    return file.finish();
}

std::optional<Format> formatOf(const QString& path)
{
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return Format::Csv;
    if (path.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive) ||
        path.endsWith(QLatin1String(".m3u"), Qt::CaseInsensitive))
        return Format::Playlist;
    return std::nullopt;
}

Result write(const QString& catalogue, const RecordSource& source, const QString& path, Format format,
             const Hooks& hooks)
{
    Result result;
    OutputFile file(path);
    if ((result.failure = file.open()))
        return result;
    appendHead(file.buffer(), format);
    QElapsedTimer clock;
    clock.start();
    qint64 seen = 0;
    auto take = [&](const RowText& row) {
        if ((++seen & 15) == 0 && clock.elapsed() >= 100) {
            clock.start();
            if (hooks.progress && !hooks.progress(seen))
                return result.cancelled = true, false;
        }
        if (format == Format::Csv) {
            appendCsvRow(file.buffer(), row);
        } else {
            const PlayRow song{text(row, Song::Artist), text(row, Song::Title), text(row, Song::MP3cd),
                               text(row, Song::FullPath),
                               row.fileNameNull
                                   ? QByteArray()
                                   : QByteArray(row.fileName.data(), qsizetype(row.fileName.size()))};
            const QByteArray songFile = hooks.songFile ? hooks.songFile(song) : SongFinder::storedFile(song);
            // A name cut by a NUL byte (a damaged row) would name another file.
            if (songFile.isEmpty() || songFile.contains('\0'))
                return true;
            appendPlaylistEntry(file.buffer(), row, songFile);
        }
        ++result.rows;
        return file.hand();
    };
    result.failure = streamRows(catalogue, source, take);
    if (!result.failure && !result.cancelled)
        result.failure = file.finish();
    if (result.failure || result.cancelled)
        file.abandon();
    return result;
}

} // namespace Exporter
