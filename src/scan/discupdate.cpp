#include "scan/discupdate.h"

#include "base/folder.h"
#include "scan/audioformat.h"
#include "scan/cataloguebuilder.h"
#include "scan/songname.h"
#include "store/discrecords.h"
#include "store/discsongs.h"
#include "store/playtime.h"
#include "store/schema.h"
#include "store/songtable.h"
#include "store/transaction.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// A song file the walk found.
struct FoundFile
{
    QString folder; // relative to the disc, ending in "/" (empty for its root)
    QString name;   // as text
    std::string bytes;
    double seconds = -1;
    std::optional<SongTags::Names> tags;
    bool taken = false; // a row was matched to it
};

using DiscRow = DiscSong;

// How a file's place is compared: its folder on the disc and its name, the ending ".mp3"
// in any letter case taken as one (the build takes all of them).
QString placeKey(const QString& folder, QString name)
{
    // The ending of a song file in any letter case is the same ending: ".MP3", ".Flac".
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && AudioFormat::ofName(name.mid(dot).toStdString()) != AudioFormat::Kind::None)
        name = name.left(dot) + name.mid(dot).toLower();
    return folder + name;
}

// The names a row's file can have: its own, or for rows without one the name rebuilt from
// it, and for a row an earlier build made of a name without a dash or a title, that name.
QStringList fileNamesOf(const DiscRow& row)
{
    if (!row.fileName.isNull())
        return {QString::fromStdString(SongName::readable(row.fileName.toStdString()))};
    return SongName::rebuiltNames(row.artist, row.title);
}

// Artist and title as the catalogue's key compares them (letter case of ASCII aside).
QString songKey(const QString& artist, const QString& title)
{
    QString key = artist + QChar(0x1F) + title;
    for (QChar& c : key) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(char16_t(c.unicode() + 32));
    }
    return key;
}

QString categoryOf(const QString& fullPath)
{
    const QString folder = SongName::stripPath(fullPath.chopped(1));
    return fullPath.size() <= 1 || folder.isEmpty() ? QStringLiteral("Various Artists") : folder;
}

Failure readRows(Database& db, const Disc& disc, std::vector<DiscRow>* rows)
{
    std::vector<qint64> rowids;
    if (Failure f = Discs::songsOf(db, disc, &rowids))
        return f;
    return DiscSongs::read(db, rowids, rows);
}

// The folder a disc without a record was catalogued from: of the folders its rows lie in
// and those above them, the one under which most rows find their file in the walk.
QString likelyRoot(const std::vector<DiscRow>& rows, const QHash<QString, int>& places)
{
    QString common;
    for (const DiscRow& row : rows) {
        if (!row.fullPath.startsWith(QLatin1Char('/')))
            continue;
        if (common.isNull()) {
            common = row.fullPath.left(row.fullPath.lastIndexOf(QLatin1Char('/')) + 1);
            continue;
        }
        qsizetype same = 0;
        while (same < common.size() && same < row.fullPath.size() && common[same] == row.fullPath[same])
            ++same;
        common = common.left(common.left(same).lastIndexOf(QLatin1Char('/')) + 1);
    }
    if (common.isEmpty())
        return QStringLiteral("/");
    QString best = common;
    int bestMatches = -1;
    for (QString candidate = common; !candidate.isEmpty();
         candidate = candidate.left(candidate.chopped(1).lastIndexOf(QLatin1Char('/')) + 1)) {
        int matches = 0;
        for (const DiscRow& row : rows) {
            if (!row.fullPath.startsWith(candidate))
                continue;
            const QString folder = row.fullPath.mid(candidate.size());
            for (const QString& name : fileNamesOf(row)) {
                if (places.contains(placeKey(folder, name))) {
                    ++matches;
                    break;
                }
            }
        }
        if (matches > bestMatches) {
            bestMatches = matches;
            best = candidate;
        }
        if (candidate == QLatin1String("/"))
            break;
    }
    return best;
}

} // namespace

QString DiscUpdate::Plan::summary() const
{
    QString text = QStringLiteral("%1 new, %2 gone, %3 moved, %4 unchanged")
                       .arg(added.size())
                       .arg(gone.size())
                       .arg(moved.size())
                       .arg(unchanged);
    if (kept > 0)
        text += QStringLiteral(", %1 kept, not read").arg(kept);
    return text;
}

QString DiscUpdate::Plan::details() const
{
    QStringList text;
    const auto list = [&text](const QString& heading, const QList<Listed>& songs) {
        if (songs.isEmpty())
            return;
        text << heading;
        for (const Listed& song : songs)
            text << QStringLiteral("  %1 - %2  (%3)").arg(song.artist, song.title, song.place);
        text << QString();
    };
    list(QStringLiteral("New:"), added);
    list(QStringLiteral("Gone:"), gone);
    list(QStringLiteral("Moved:"), moved);
    return text.join(QLatin1Char('\n')).trimmed();
}

QString DiscUpdate::Result::summary() const
{
    QString text = QStringLiteral("%1 added, %2 removed, %3 moved").arg(added).arg(removed).arg(moved);
    if (duplicates > 0)
        text += QStringLiteral(", %1 already in the catalogue").arg(duplicates);
    return text;
}

namespace {

// What the walk of a disc found.
struct Walk
{
    std::vector<FoundFile> files;
    QHash<QString, int> places; // placeKey → file
    bool unreadable = false;    // the folder walked could not be read, or the disc went
    // The folders that could not be read (relative to the folder walked, ending in "/"; empty
    // for all of it), each with the system's reason. What lies in them is not known.
    QList<DiscUpdate::Unread> unread;
    bool cancelled = false;

    bool wasRead(const QString& folder) const
    {
        return std::none_of(unread.begin(), unread.end(),
                            [&folder](const DiscUpdate::Unread& u) { return folder.startsWith(u.folder); });
    }
};

// Walks `walked` (ending in "/") as a build walks a disc.
Walk walkDisc(const QString& walked, const DiscUpdate::Options& options)
{
    Walk walk;
    const std::string rootBytes = QFile::encodeName(walked).toStdString();
    const QString rootText = QString::fromStdString(SongName::readable(rootBytes));
    FolderReader reader(rootBytes, options.reading);
    FolderListing step;
    QElapsedTimer clock;
    for (FolderReader::Next next; (next = reader.next(&step)) != FolderReader::Next::Over;) {
        if (options.progress && (!clock.isValid() || clock.elapsed() >= 100)) {
            clock.start();
            if (!options.progress(QString::fromStdString(SongName::readable(step.path)),
                                  qint64(walk.files.size()))) {
                walk.cancelled = true;
                return walk;
            }
        }
        if (next == FolderReader::Next::Waiting)
            continue;
        for (const FolderListing::Failure& failure : step.failures) {
            // A disc taken out while it was read was not read from there on: none of it counts.
            const bool whole =
                failure.subject + '/' == rootBytes || failure.subject == rootBytes || step.discGone;
            walk.unreadable = walk.unreadable || whole;
            const QString folder =
                whole ? QString()
                      : withSlash(QString::fromStdString(SongName::readable(failure.subject)))
                            .mid(rootText.size());
            walk.unread << DiscUpdate::Unread{folder, failure.description};
        }
        if (step.path.empty())
            continue;
        const QString here =
            withSlash(QString::fromStdString(SongName::readable(step.path))).mid(rootText.size());
        for (size_t i = 0; i < step.files.size(); ++i) {
            FoundFile file;
            file.folder = here;
            file.bytes = step.files[i];
            file.name = QString::fromStdString(SongName::readable(file.bytes));
            file.seconds = i < step.lengths.size() ? step.lengths[i] : -1;
            if (i < step.tags.size())
                file.tags = step.tags[i];
            walk.places.insert(placeKey(file.folder, file.name), int(walk.files.size()));
            walk.files.push_back(std::move(file));
        }
    }
    return walk;
}

// The rows whose file is not where it was, the others counted in `unchanged` and their files
// taken. Rows in folders that could not be read are kept as they are, counted in `kept`.
std::vector<const DiscRow*> rowsNotInPlace(const std::vector<DiscRow>& rows, const QString& root, Walk& walk,
                                           bool allFormats, qint64* unchanged, qint64* kept)
{
    std::vector<const DiscRow*> missing;
    for (const DiscRow& row : rows) {
        bool found = false;
        const QString here = row.fullPath.startsWith(root) ? row.fullPath.mid(root.size()) : QString();
        // A song of a format the walk did not take (All Audio Files is off now) was not looked for.
        const bool looked = AudioFormat::isTaken(fileNamesOf(row).first().toStdString(), allFormats);
        if (!looked || !walk.wasRead(here.isEmpty() ? here : withSlash(here))) {
            ++*kept;
            continue;
        }
        for (const QString& name : row.fullPath.startsWith(root) ? fileNamesOf(row) : QStringList()) {
            const auto place = walk.places.constFind(placeKey(here.isEmpty() ? here : withSlash(here), name));
            if (place != walk.places.cend() && !walk.files[size_t(*place)].taken) {
                walk.files[size_t(*place)].taken = true;
                found = true;
                break;
            }
        }
        if (found)
            ++*unchanged;
        else
            missing.push_back(&row);
    }
    return missing;
}

// The rows not in place are moved where a file of the same song turns up, or gone; the files
// left over are new songs, named as a build names them. A song the disc holds already (kept,
// unchanged or moved), or one found twice, is not added again under a numbered title.
void sortOutTheRest(const std::vector<DiscRow>& rows, const std::vector<const DiscRow*>& missing, Walk& walk,
                    bool namesFromTags, DiscUpdate::Plan* plan)
{
    QHash<QString, int> bySong;
    std::vector<std::pair<std::string, std::string>> names(walk.files.size());
    for (size_t i = 0; i < walk.files.size(); ++i) {
        FoundFile& file = walk.files[i];
        if (file.taken)
            continue;
        CatalogueBuilder::nameSong(file.name.toStdString(), &file.tags, namesFromTags, &names[i].first,
                                   &names[i].second);
        bySong.insert(
            songKey(QString::fromStdString(names[i].first), QString::fromStdString(names[i].second)), int(i));
    }
    for (const DiscRow* row : missing) {
        const QString oldPlace = row->fullPath.mid(plan->root.size()) + fileNamesOf(*row).first();
        const auto moved = bySong.constFind(songKey(row->artist, row->title));
        if (moved == bySong.cend() || walk.files[size_t(*moved)].taken) {
            plan->goneRows.push_back(row->rowid);
            plan->gone << DiscUpdate::Listed{row->artist, row->title, oldPlace};
            continue;
        }
        FoundFile& file = walk.files[size_t(*moved)];
        file.taken = true;
        DiscUpdate::Plan::Move move{row->rowid, (plan->root + file.folder).toStdString(), {}, {}};
        move.category = categoryOf(QString::fromStdString(move.fullPath)).toStdString();
        if (SongName::rebuiltName(row->artist.toStdString(), row->title.toStdString()) != file.bytes)
            move.fileName = file.bytes;
        plan->moves.push_back(std::move(move));
        plan->moved << DiscUpdate::Listed{row->artist, row->title,
                                          oldPlace + QStringLiteral(" → ") + file.folder + file.name};
    }
    QSet<QString> onDisc;
    for (const DiscRow& row : rows)
        onDisc.insert(songKey(row.artist, row.title));
    for (size_t i = 0; i < walk.files.size(); ++i) {
        const FoundFile& file = walk.files[i];
        const QString key =
            songKey(QString::fromStdString(names[i].first), QString::fromStdString(names[i].second));
        if (file.taken || onDisc.contains(key))
            continue;
        onDisc.insert(key);
        const std::string fullPath = (plan->root + file.folder).toStdString();
        plan->newFiles.push_back({fullPath, categoryOf(QString::fromStdString(fullPath)).toStdString(),
                                  file.bytes, names[i].first, names[i].second, file.seconds});
        plan->added << DiscUpdate::Listed{QString::fromStdString(names[i].first),
                                          QString::fromStdString(names[i].second), file.folder + file.name};
    }
}

// Signs that the drive holds another disc, or nothing.
QStringList warningsOf(const Disc& disc, const Volume& volume, const QString& walked, const Walk& walk,
                       size_t rows, size_t gone)
{
    QStringList warnings;
    if (disc.recorded && !disc.record.uuid.isEmpty() && !volume.uuid.isEmpty() &&
        disc.record.uuid != volume.uuid)
        warnings << QStringLiteral("The volume in the drive is not the one catalogued as %1: its UUID is %2, "
                                   "the disc's was %3.")
                        .arg(disc.name, volume.uuid, disc.record.uuid);
    if (walk.unreadable || walk.files.empty())
        warnings
            << QStringLiteral("%1 holds no songs or cannot be read. Is the disc in the drive?").arg(walked);
    QStringList unread;
    for (const DiscUpdate::Unread& u : walk.unread) {
        if (!u.folder.isEmpty())
            unread << QStringLiteral("  %1: %2").arg(u.folder.chopped(1), u.reason);
    }
    if (!unread.isEmpty())
        warnings << QStringLiteral(
                        "These folders could not be read; the songs in them are kept as they are:\n") +
                        unread.join(QLatin1Char('\n'));
    if (rows > 0 && gone * 2 > rows)
        warnings << QStringLiteral("More than half of the disc's songs (%1 of %2) would be removed.")
                        .arg(gone)
                        .arg(rows);
    return warnings;
}

// Stores the new songs as a build does, duplicates numbered or left out as it does.
Failure addSongs(Database& db, const std::string& disc, const std::vector<DiscUpdate::Plan::NewFile>& files,
                 const DiscUpdate::Options& options, DuplicateNumbers& numbers, DiscUpdate::Result* result)
{
    // Added inside the caller's transaction: the table commits nothing of its own.
    SongTable table;
    if (Failure f = table.open(db))
        return f;
    for (const DiscUpdate::Plan::NewFile& file : files) {
        std::string title = file.title;
        const std::string playTime =
            file.seconds >= 0 ? PlayTime::stored(file.seconds).toStdString() : std::string();
        for (;;) {
            table.addNew();
            table.setTextView(Song::Artist, file.artist);
            table.setTextView(Song::Title, title);
            if (file.seconds >= 0)
                table.setTextView(Song::Playtime, playTime);
            table.setInteger(Song::ONcd, 0);
            table.setTextView(Song::MP3cd, disc);
            table.setTextView(Song::Category, file.category);
            table.setTextView(Song::FullPath, file.fullPath);
            if (SongName::rebuiltName(file.artist, title) != file.fileName)
                table.setFileNameView(file.fileName);
            const Failure failure = table.update();
            if (!failure) {
                ++result->added;
                break;
            }
            if (failure.number != FailureNumber::DuplicateKey)
                return failure;
            if (!options.allowDuplicates || !options.allowDuplicates()) {
                ++result->duplicates;
                break;
            }
            title += " ****" + std::to_string(numbers.next());
        }
    }
    return {};
}

// The disc as it is now; its songs stay under the folder they were kept under.
DiscRecord recordNow(const Disc& disc, const QString& root, const QString& folder, const Volume& volume)
{
    DiscRecord record = disc.record;
    if (!disc.recorded) {
        record.name = disc.name;
        record.root = root;
        const QString walked = withSlash(folder);
        const QString volumeRoot = withSlash(volume.root);
        const QString onVolume = walked.startsWith(volumeRoot) ? walked.mid(volumeRoot.size()) : QString();
        record.volumeRoot = root.endsWith(onVolume) ? root.chopped(onVolume.size()) : root;
    }
    record.label = volume.label;
    record.uuid = volume.uuid;
    record.fileSystem = volume.fileSystem;
    record.size = volume.size;
    return record;
}

// The folders of other discs of the same name that lie inside this one (catalogued on their
// own, as a disc within a disc) belong to them: their files are none of this disc's.
Failure leaveNestedDiscsAlone(Database& db, const Disc& disc, const QString& root, Walk& walk)
{
    QList<DiscRecord> records;
    if (Failure f = DiscRecords::named(db, disc.name, &records))
        return f;
    QStringList nested;
    for (const DiscRecord& record : std::as_const(records)) {
        if (record.root.size() > root.size() && record.root.startsWith(root) && record.root.endsWith('/'))
            nested << record.root.mid(root.size());
    }
    for (FoundFile& file : walk.files) {
        for (const QString& inner : std::as_const(nested))
            file.taken = file.taken || file.folder.startsWith(inner);
    }
    return {};
}

} // namespace

Failure DiscUpdate::plan(Database& db, const Disc& disc, const QString& folder, const Volume& volume,
                         const Options& options, Plan* plan)
{
    *plan = Plan();
    std::vector<DiscRow> rows;
    if (Failure f = readRows(db, disc, &rows))
        return f;
    Walk walk = walkDisc(withSlash(folder), options);
    if ((plan->cancelled = walk.cancelled))
        return {};
    plan->root = disc.recorded ? disc.record.root : likelyRoot(rows, walk.places);
    if (Failure f = leaveNestedDiscsAlone(db, disc, plan->root, walk))
        return f;
    plan->unread = walk.unread;
    const std::vector<const DiscRow*> missing =
        rowsNotInPlace(rows, plan->root, walk, options.reading.allFormats, &plan->unchanged, &plan->kept);
    sortOutTheRest(rows, missing, walk, options.reading.tags, plan);
    plan->warnings = warningsOf(disc, volume, withSlash(folder), walk, rows.size(), plan->goneRows.size());
    return {};
}

Failure DiscUpdate::apply(Database& db, const Disc& disc, const Plan& plan, const QString& folder,
                          const Volume& volume, const Options& options, DuplicateNumbers& numbers,
                          Result* result)
{
    *result = Result();
    Transaction all(db, Transaction::Kind::Immediate);
    Failure failure = all.begun();
    if (!failure)
        failure = deleteSongs(db, plan.goneRows);
    if (!failure) {
        result->removed = qint64(plan.goneRows.size());
        failure = DiscSongs::move(db, plan.moves, &result->moved);
    }
    if (!failure)
        failure = addSongs(db, disc.name.toStdString(), plan.newFiles, options, numbers, result);
    if (!failure)
        failure = DiscRecords::remember(db, recordNow(disc, plan.root, folder, volume));
    if (!failure)
        failure = all.commit();
    if (failure)
        *result = Result();
    return failure;
}
