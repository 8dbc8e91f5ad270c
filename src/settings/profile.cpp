#include "settings/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>

#include <optional>

namespace {

// The file as lines: each line decoded for finding sections and keys, and each kept as the
// bytes it is, with its own ending, so that a write changes nothing but its own line.
struct ProfileText
{
    QByteArray bom;
    QStringList lines;
    QList<QByteArray> raw;
    QList<QByteArray> ends;               // "\n", "\r\n", "\r", or nothing on a last line
    QByteArray newEnd = QByteArray("\n"); // for lines the program adds: the file's own

    void set(qsizetype i, const QString& line)
    {
        lines[i] = line;
        raw[i] = line.toUtf8();
    }
    void insert(qsizetype i, const QString& line)
    {
        if (i > 0 && ends[i - 1].isEmpty())
            ends[i - 1] = newEnd;
        lines.insert(i, line);
        raw.insert(i, line.toUtf8());
        ends.insert(i, newEnd);
    }
    void append(const QString& line) { insert(lines.size(), line); }
    QByteArray bytes() const
    {
        QByteArray all = bom;
        for (qsizetype i = 0; i < raw.size(); ++i)
            all += raw[i] + ends[i];
        return all;
    }
};

// The file's lines; nothing when a file that is there cannot be read whole (one that may
// be written but not read), so that a write never replaces entries it could not see.
std::optional<ProfileText> loadProfile(const QString& path)
{
    ProfileText text;
    QFile file(path);
    // Only a regular file is read: a FIFO of that name would never end.
    if (!QFileInfo(path).isFile())
        return text;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text.bom = bytes.left(3);
        bytes.remove(0, 3);
    }
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype at = pos;
        while (at < bytes.size() && bytes[at] != '\n' && bytes[at] != '\r')
            ++at;
        text.raw << bytes.mid(pos, at - pos);
        qsizetype next = at;
        if (at < bytes.size())
            next = at + ((bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') ? 2 : 1);
        text.ends << bytes.mid(at, next - at);
        if (text.lines.isEmpty() && next > at)
            text.newEnd = text.ends.last();
        text.lines << QString::fromUtf8(text.raw.last());
        pos = next;
    }
    return text;
}

// The section name of a line such as "[GridFont]"; nothing for other lines.
std::optional<QString> sectionOf(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool isSection(const QString& line)
{
    return sectionOf(line).has_value();
}

bool keyMatches(const QString& line, const QString& key, QString* value = nullptr)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    if (line.left(eq).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    // The value is read back exactly as it was written: blanks and quotes are its own.
    if (value)
        *value = line.mid(eq + 1);
    return true;
}

// The range [begin, end) of the lines that belong to `section` (after its header), or -1.
qsizetype findSection(const QStringList& lines, const QString& section, qsizetype* end)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = sectionOf(lines[i]);
        if (!name || name->compare(section.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        qsizetype j = i + 1;
        while (j < lines.size() && !isSection(lines[j]))
            ++j;
        *end = j;
        return i + 1;
    }
    return -1;
}

bool ownerWritable(const QString& path)
{
    // The owner's write bit, not access(): a read-only mark holds even for the superuser.
    return QFileInfo(path).permissions() & QFileDevice::WriteOwner;
}

QString cutToCharacters(const QString& text, int count)
{
    qsizetype i = 0;
    for (int n = 0; n < count && i < text.size(); ++n)
        i += (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    return text.left(i);
}

} // namespace

QString profileRead(const QString& section, const QString& key, const QString& fallback, int bufferSize,
                    const QString& path)
{
    // The file is read a line at a time, keeping nothing: a settings file of any size costs
    // no memory. The first section of the name counts, and its first entry of the key.
    QString result = fallback;
    QFile file(path);
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly)) {
        bool inSection = false;
        bool first = true;
        bool found = false;
        while (!found && !file.atEnd()) {
            QByteArray chunk = file.readLine(64 * 1024);
            if (first && chunk.startsWith("\xEF\xBB\xBF"))
                chunk.remove(0, 3);
            first = false;
            if (chunk.endsWith('\n'))
                chunk.chop(1);
            for (const QByteArray& bytes : chunk.split('\r')) {
                const QString line = QString::fromUtf8(bytes);
                if (const std::optional<QString> name = sectionOf(line)) {
                    if (inSection)
                        return cutToCharacters(result, qMax(0, bufferSize - 1));
                    inSection = name->compare(section.trimmed(), Qt::CaseInsensitive) == 0;
                } else if (inSection && keyMatches(line, key, &result)) {
                    found = true;
                    break;
                }
            }
        }
    }
    return cutToCharacters(result, qMax(0, bufferSize - 1));
}

bool profileWrite(const QString& section, const QString& key, const QString& value, const QString& path)
{
    // Names the file could not give back as they are written are refused.
    static const QRegularExpression unfit(QStringLiteral("[\\[\\]\\r\\n]"));
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || section.contains(unfit) ||
        key.contains(unfit) || key.contains(QLatin1Char('=')))
        return false;
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return false;
    const QFileInfo info(path);
    // A link is never written through, wherever it points; a read-only file or folder
    // refuses the write, whoever runs the program.
    if (info.isSymLink())
        return false;
    if (info.exists() && (!info.isFile() || !ownerWritable(path)))
        return false;
    if (!ownerWritable(info.absolutePath()))
        return false;

    std::optional<ProfileText> loaded = loadProfile(path);
    if (!loaded)
        return false;
    ProfileText& text = *loaded;
    const QString entry = key.trimmed() + QLatin1Char('=') + value;
    qsizetype end = 0;
    const qsizetype begin = findSection(text.lines, section, &end);
    if (begin < 0) {
        text.append(QLatin1Char('[') + section.trimmed() + QLatin1Char(']'));
        text.append(entry);
    } else {
        bool replaced = false;
        for (qsizetype i = begin; i < end && !replaced; ++i) {
            if (keyMatches(text.lines[i], key)) {
                text.set(i, entry);
                replaced = true;
            }
        }
        if (!replaced) {
            // After the section's last entry, so notes and blank lines below it stay below.
            qsizetype at = end;
            while (at > begin && !text.lines[at - 1].contains(QLatin1Char('=')))
                --at;
            text.insert(at, entry);
        }
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray body = text.bytes();
    // The bytes are handed to the file before commit(): commit() alone drops a failure of
    // its last write (a full disk) and would put a cut-off file in place of the old one.
    if (file.write(body) != body.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
