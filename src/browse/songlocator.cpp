#include "browse/songlocator.h"

#include "base/folder.h"
#include "scan/songfile.h"
#include "scan/songname.h"
#include "scan/timelimit.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

namespace {

// Whether `path` lies in the folder `root` (or is it).
bool inFolder(const QString& path, const QString& root)
{
    return withSlash(path).startsWith(withSlash(root));
}

// How well a mounted volume fits a remembered disc: 0 the same file system (UUID), 1 the
// same label or a label equal to the disc's name, 2 any other volume.
int fit(const Volume& volume, const DiscRecord& disc)
{
    if (!disc.uuid.isEmpty() && volume.uuid == disc.uuid)
        return 0;
    if (!volume.label.isEmpty() &&
        (volume.label == disc.label || volume.label.compare(disc.name, Qt::CaseInsensitive) == 0))
        return 1;
    return 2;
}

// The volumes, those that fit best first.
QList<Volume> ranked(const QList<Volume>& volumes, const std::function<int(const Volume&)>& rank)
{
    QList<std::pair<int, Volume>> order;
    for (const Volume& v : volumes)
        order.append({rank(v), v});
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<Volume> list;
    for (const auto& [rank, v] : order)
        list << v;
    return list;
}

} // namespace

PathKind probePath(const QByteArray& path, std::chrono::milliseconds within)
{
    // A name with a NUL byte (a damaged row) would be cut there and name another file.
    if (path.isEmpty() || path.contains('\0'))
        return PathKind::Missing;
    // A volume still silent on an earlier question answers at once, without another thread.
    const std::optional<PathKind> kind = TimeLimit::askVolume<PathKind>(
        mountFolderOf(QFile::decodeName(path)),
        [name = path] {
            struct stat info;
            if (::stat(name.constData(), &info) != 0)
                return PathKind::Missing;
            return S_ISREG(info.st_mode)   ? PathKind::RegularFile
                   : S_ISDIR(info.st_mode) ? PathKind::Folder
                                           : PathKind::Other;
        },
        within);
    return kind.value_or(PathKind::NoAnswer);
}

QString songContentProblem(const QByteArray& path, std::chrono::milliseconds within)
{
    const std::optional<QString> problem = TimeLimit::askVolume<QString>(
        mountFolderOf(QFile::decodeName(path)), [name = path] { return SongFile::contentProblem(name); },
        within);
    return problem.value_or(QStringLiteral("its drive does not answer"));
}

namespace {
// The spellings of a song's file name the build takes: ".mp3" in any letter case.
QList<QByteArray> spellings(const QByteArray& name)
{
    QList<QByteArray> all{name};
    if (name.endsWith(".mp3")) {
        for (const char* ending : {"MP3", "Mp3", "mP3"})
            all << name.chopped(3) + ending;
    }
    return all;
}

} // namespace

QString fileNameText(const PlayRow& row)
{
    if (row.fileName.isNull())
        return row.artist + QLatin1Char('-') + row.title + QStringLiteral(".mp3");
    return QString::fromStdString(SongName::readable(row.fileName.toStdString()));
}

QByteArray SongLocator::findIn(const QString& folder, const PlayRow& row) const
{
    if (!row.fileName.isNull()) {
        // The name is the file's own: exactly these bytes, under the folder as text or as the
        // build read it.
        const QByteArray path = QFile::encodeName(folder) + row.fileName;
        const PathKind kind = probe(path);
        if (kind == PathKind::RegularFile)
            return path;
        if (kind == PathKind::NoAnswer)
            return QByteArray();
        const QByteArray legacy = inWindows1252(folder, true);
        if (legacy.isEmpty())
            return QByteArray();
        const QByteArray inLegacy = legacy + '/' + row.fileName;
        return probe(inLegacy) == PathKind::RegularFile ? inLegacy : QByteArray();
    }
    for (const QString& fileName : namesOf(row)) {
        for (const QByteArray& name : spellings(QFile::encodeName(folder + fileName))) {
            const PathKind kind = probe(name);
            if (kind == PathKind::RegularFile)
                return name;
            // A drive that does not answer is not asked again for each spelling.
            if (kind == PathKind::NoAnswer)
                return QByteArray();
        }
        if (const QByteArray legacy = inWindows1252(folder + fileName); !legacy.isEmpty())
            return legacy;
    }
    return QByteArray();
}

QByteArray SongLocator::inWindows1252(const QString& path, bool isFolder) const
{
    QString whole = path;
    while (isFolder && whole.size() > 1 && whole.endsWith(QLatin1Char('/')))
        whole.chop(1);
    const QStringList parts = whole.split(QLatin1Char('/'));
    if (!parts.first().isEmpty() ||
        std::all_of(whole.begin(), whole.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return QByteArray();
    QByteArray prefix;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        QList<QByteArray> forms{parts[i].toUtf8()};
        if (const QByteArray legacy = SongName::windows1252(parts[i]); !legacy.isEmpty())
            forms << legacy;
        const bool file = i + 1 == parts.size() && !isFolder;
        QByteArray next;
        for (const QByteArray& form : forms) {
            for (const QByteArray& name :
                 file ? spellings(prefix + '/' + form) : QList<QByteArray>{prefix + '/' + form}) {
                const PathKind kind = probe(name);
                if (kind == (file ? PathKind::RegularFile : PathKind::Folder))
                    next = name;
                if (!next.isEmpty() || kind == PathKind::NoAnswer)
                    break;
            }
            if (!next.isEmpty())
                break;
        }
        if (next.isEmpty())
            return QByteArray();
        prefix = next;
    }
    return prefix;
}

bool SongLocator::isFolder(const QString& folder) const
{
    const PathKind kind = probe(QFile::encodeName(folder));
    return kind == PathKind::Folder || (kind == PathKind::Missing && !inWindows1252(folder, true).isEmpty());
}

QStringList SongLocator::namesOf(const PlayRow& row) const
{
    // Only single names with a song's ending: a row whose artist holds a "/" names nothing.
    QStringList names;
    for (const QString& name : SongName::rebuiltNames(row.artist, row.title)) {
        if (SongFile::nameProblem(QStringLiteral("/"), QFile::encodeName(name)).isEmpty())
            names << name;
    }
    return names;
}

QString SongLocator::nameProblemOf(const PlayRow& row) const
{
    if (!row.fileName.isNull())
        return SongFile::nameProblem(row.fullPath, row.fileName);
    // A row an older build made of a name without a dash may name its file another way too.
    const QStringList names = SongName::rebuiltNames(row.artist, row.title);
    for (const QString& name : names) {
        if (SongFile::nameProblem(row.fullPath, QFile::encodeName(name)).isEmpty())
            return {};
    }
    return SongFile::nameProblem(row.fullPath, QFile::encodeName(names.first()));
}

SongLocator::Result SongLocator::found(const QByteArray& file) const
{
    const QString path = QString::fromStdString(SongName::readable(file.toStdString()));
    const QString problem = m_hooks.content ? m_hooks.content(file) : songContentProblem(file);
    if (!problem.isEmpty())
        return {Outcome::NotASong, path, {}, {}, {}, {}, problem};
    return {Outcome::Found, path, file, {}, {}, {}, {}};
}

QList<DiscRecord> SongLocator::recordsOf(const PlayRow& row) const
{
    QList<DiscRecord> records;
    if (!m_hooks.discs || !row.fullPath.startsWith(QLatin1Char('/')))
        return records;
    // Read once for each disc name, however often the song is looked for (a Retry, a mount);
    // records that say the same of where the disc was and what it is count once, however many
    // a catalogue edited by hand holds.
    auto known = m_discs.find(row.disc);
    if (known == m_discs.end()) {
        QList<DiscRecord> distinct;
        QSet<QString> seen;
        for (const DiscRecord& disc : m_hooks.discs(row.disc)) {
            const QString key = QStringList{disc.root, disc.volumeRoot, disc.label, disc.uuid}.join(QChar(0));
            if (!seen.contains(key)) {
                seen.insert(key);
                distinct << disc;
            }
        }
        known = m_discs.insert(row.disc, distinct);
    }
    for (const DiscRecord& disc : *known) {
        if (!disc.root.isEmpty() && inFolder(row.fullPath, disc.root) && inFolder(disc.root, disc.volumeRoot))
            records << disc;
    }
    return records;
}

PathKind SongLocator::probe(const QByteArray& path) const
{
    const PathKind kind = m_hooks.probe(path);
    m_silent = m_silent || kind == PathKind::NoAnswer;
    return kind;
}

SongLocator::Result SongLocator::locate(const PlayRow& row) const
{
    m_silent = false;
    if (const QString problem = nameProblemOf(row); !problem.isEmpty())
        return {Outcome::NotASong, row.fullPath + fileNameText(row), {}, {}, {}, {}, problem};
    if (!row.fullPath.isEmpty()) {
        const QByteArray stored = findIn(row.fullPath, row);
        if (!stored.isEmpty())
            return found(stored);
    }
    QList<Volume> volumes, silent;
    if (m_hooks.volumes) {
        for (const Volume& v : m_hooks.volumes()) {
            // One that does not answer would only keep the user waiting.
            (v.ready ? volumes : silent) << v;
        }
    }
    const QList<DiscRecord> records = recordsOf(row);
    Result result = records.isEmpty() ? onAnyVolume(row, volumes) : onRecordedDisc(row, records, volumes);
    if (result.outcome == Outcome::NotFound)
        result.silentDrive = silentDriveOf(row, records, silent);
    return result;
}

QString SongLocator::silentDriveOf(const PlayRow& row, const QList<DiscRecord>& records,
                                   const QList<Volume>& silent) const
{
    // A volume that does not answer where the song was, or that can be its disc.
    for (const Volume& v : silent) {
        bool maybe = inFolder(row.fullPath, v.root) || v.label.compare(row.disc, Qt::CaseInsensitive) == 0;
        for (const DiscRecord& disc : records)
            maybe = maybe || fit(v, disc) < 2;
        if (maybe)
            return QDir::cleanPath(v.root);
    }
    return m_silent ? driveOf(row) : QString();
}

SongLocator::Result SongLocator::onRecordedDisc(const PlayRow& row, const QList<DiscRecord>& records,
                                                const QList<Volume>& volumes) const
{
    Result result;
    for (const DiscRecord& disc : records) {
        const QString onDisc = withSlash(row.fullPath).mid(withSlash(disc.volumeRoot).size());
        for (const Volume& v : ranked(volumes, [&disc](const Volume& v) { return fit(v, disc); })) {
            const QString folder = withSlash(v.root) + onDisc;
            if (isFolder(folder)) {
                const QByteArray song = findIn(folder, row);
                if (!song.isEmpty())
                    return found(song);
            }
            // The disc itself is in, known by its UUID (or by its label where none was read).
            const int how = fit(v, disc);
            if (result.outcome == Outcome::NotFound && (how == 0 || (how == 1 && disc.uuid.isEmpty())) &&
                probe(QFile::encodeName(v.root)) == PathKind::Folder)
                result = {Outcome::DiscWithoutSong, {}, {}, v.root, onDisc + fileNameText(row), {}, {}};
        }
    }
    return result;
}

SongLocator::Result SongLocator::onAnyVolume(const PlayRow& row, const QList<Volume>& volumes) const
{
    if (!row.fullPath.startsWith(QLatin1Char('/')))
        return {};
    // The stored folder's last parts: "Rock/", then "ROCK1/Rock/", and so on.
    const QStringList parts = row.fullPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList tails;
    for (qsizetype count = 1; count < parts.size(); ++count)
        tails << parts.mid(parts.size() - count).join(QLatin1Char('/')) + QLatin1Char('/');
    const auto byName = [&row](const Volume& v) {
        return v.label.compare(row.disc, Qt::CaseInsensitive) == 0 ? 0 : 1;
    };
    for (const Volume& v : ranked(volumes, byName)) {
        for (const QString& tail : std::as_const(tails)) {
            const QString folder = withSlash(v.root) + tail;
            if (folder == withSlash(row.fullPath) || !isFolder(folder))
                continue;
            const QByteArray song = findIn(folder, row);
            if (!song.isEmpty())
                return found(song);
        }
    }
    return {};
}

QString SongLocator::driveOf(const PlayRow& row) const
{
    const QString& fullPath = row.fullPath;
    if (fullPath.isEmpty())
        return QString();
    // A path from elsewhere (e:\Rock\) names its drive by its first character.
    if (!fullPath.startsWith(QLatin1Char('/')))
        return fullPath.left(1);
    const QList<DiscRecord> records = recordsOf(row);
    if (!records.isEmpty())
        return QDir::cleanPath(records.first().root);
    // The folder a volume is (or is always) mounted on that holds the path.
    QString best;
    for (const QString& folder : m_hooks.mountFolders ? m_hooks.mountFolders() : QStringList()) {
        const QString clean = QDir::cleanPath(folder);
        if (clean != QLatin1String("/") && inFolder(fullPath, clean) && clean.size() > best.size())
            best = clean;
    }
    if (!best.isEmpty())
        return best;
    // Else the path up to its first folder that is not there: a desktop mounter removes the
    // folder it mounted the disc on.
    QString prefix;
    for (const QString& part : fullPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + part;
        if (probe(QFile::encodeName(prefix)) != PathKind::Folder)
            return prefix;
    }
    return QDir::cleanPath(fullPath);
}

QString whereIsDisc(const Disc& disc, const QList<Volume>& volumes, Volume* on)
{
    const auto found = [on](const QString& folder, const Volume& volume) {
        if (on)
            *on = volume;
        return folder;
    };
    QList<Volume> ready;
    for (const Volume& v : volumes) {
        if (v.ready)
            ready << v;
    }
    if (!disc.recorded) {
        for (const Volume& v : std::as_const(ready)) {
            if (!v.label.isEmpty() && v.label.compare(disc.name, Qt::CaseInsensitive) == 0)
                return found(withSlash(v.root), v);
        }
        return QString();
    }
    const DiscRecord& record = disc.record;
    // A record of a catalogue from elsewhere may name any folder: only a plain full path is a disc's.
    if (!SongFile::folderProblem(record.root).isEmpty() ||
        !SongFile::folderProblem(record.volumeRoot).isEmpty())
        return QString();
    const QString onVolume =
        record.root.startsWith(record.volumeRoot) ? record.root.mid(record.volumeRoot.size()) : QString();
    const auto there = [&](const Volume& v) {
        const QString folder = withSlash(v.root) + onVolume;
        return probePath(folder) == PathKind::Folder ? folder : QString();
    };
    if (!record.uuid.isEmpty()) {
        for (const Volume& v : std::as_const(ready)) {
            if (v.uuid == record.uuid) {
                if (const QString folder = there(v); !folder.isEmpty())
                    return found(folder, v);
            }
        }
    }
    // The folder it was walked from is still there on a volume that is in: a folder of the
    // system's own disc, or a disc that comes back at the same place.
    Volume holder;
    for (const Volume& v : std::as_const(ready)) {
        if (record.root.startsWith(withSlash(v.root)) && v.root.size() >= holder.root.size())
            holder = v;
    }
    if (!holder.root.isEmpty() &&
        (record.uuid.isEmpty() || holder.uuid.isEmpty() || holder.uuid == record.uuid ||
         withSlash(holder.root) != withSlash(record.volumeRoot)) &&
        probePath(record.root) == PathKind::Folder)
        return found(record.root, holder);
    for (const Volume& v : std::as_const(ready)) {
        const bool sameLabel = !v.label.isEmpty() && (v.label == record.label ||
                                                      v.label.compare(disc.name, Qt::CaseInsensitive) == 0);
        if (sameLabel) {
            if (const QString folder = there(v); !folder.isEmpty())
                return found(folder, v);
        }
    }
    return QString();
}
