#include "scan/discupdate.h"

#include "scan/cataloguebuilder.h"
#include "scan/songname.h"
#include "store/discrecords.h"
#include "store/playtime.h"
#include "store/schema.h"
#include "store/songtable.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>

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

// A row of the disc.
struct DiscRow
{
    qint64 rowid = 0;
    QString artist;
    QString title;
    QString fullPath;
    QByteArray fileName; // null: rebuilt from artist and title
};

// How a file's place is compared: its folder on the disc and its name, the ending ".mp3"
// in any letter case taken as one (the build takes all of them).
QString placeKey(const QString& folder, QString name)
{
    if (name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        name = name.chopped(4) + QLatin1String(".mp3");
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

Failure readRowsOf(Database& db, const Disc& disc, std::vector<DiscRow>* rows)
{
    std::vector<qint64> rowids;
    if (Failure f = Discs::songsOf(db, disc, &rowids))
        return f;
    const bool names = Song::hasFileNameField(db);
    Statement read;
    if (Failure f = read.prepare(
            db.handle(), QStringLiteral("SELECT Artist, Title, FullPath, %1 FROM adosong WHERE rowid=?")
                             .arg(names ? Song::fileNameField : QStringLiteral("NULL"))))
        return f;
    for (const qint64 rowid : rowids) {
        read.reset();
        read.bindInt(1, rowid);
        Failure failure;
        if (read.step(&failure))
            rows->push_back({rowid, read.column(0).toString(), read.column(1).toString(),
                             read.column(2).toString(), read.columnBytes(3)});
        if (failure)
            return failure;
    }
    return {};
}

Failure readRows(Database& db, const Disc& disc, std::vector<DiscRow>* rows)
{
    // One read transaction: the rows of one moment, and one lock rather than one a row.
    if (Failure f = db.execute(QStringLiteral("BEGIN")))
        return f;
    const Failure failure = readRowsOf(db, disc, rows);
    db.execute(QStringLiteral("COMMIT"));
    return failure;
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

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

QString DiscUpdate::Plan::summary() const
{
    return QStringLiteral("%1 new, %2 gone, %3 moved, %4 unchanged")
        .arg(added.size())
        .arg(gone.size())
        .arg(moved.size())
        .arg(unchanged);
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

Failure DiscUpdate::plan(Database& db, const Disc& disc, const QString& folder, const Volume& volume,
                         const Options& options, Plan* plan)
{
    *plan = Plan();
    std::vector<DiscRow> rows;
    if (Failure f = readRows(db, disc, &rows))
        return f;

    // The walk, as a build makes it.
    const QString walked = withSlash(folder);
    const std::string rootBytes = QFile::encodeName(walked).toStdString();
    const QString rootText = QString::fromStdString(SongName::readable(rootBytes));
    std::vector<FoundFile> files;
    QHash<QString, int> places;
    bool rootUnreadable = false;
    {
        FolderReader reader(rootBytes, options.reading);
        FolderListing step;
        QElapsedTimer clock;
        for (FolderReader::Next next; (next = reader.next(&step)) != FolderReader::Next::Over;) {
            if (options.progress && (!clock.isValid() || clock.elapsed() >= 100)) {
                clock.start();
                if (!options.progress(QString::fromStdString(SongName::readable(step.path)),
                                      qint64(files.size()))) {
                    plan->cancelled = true;
                    return {};
                }
            }
            if (next == FolderReader::Next::Waiting)
                continue;
            for (const FolderListing::Failure& failure : step.failures) {
                if (failure.subject + '/' == rootBytes || failure.subject == rootBytes || step.discGone)
                    rootUnreadable = true;
            }
            if (step.path.empty())
                continue;
            QString here = QString::fromStdString(SongName::readable(step.path));
            here = withSlash(here).mid(rootText.size());
            for (size_t i = 0; i < step.files.size(); ++i) {
                FoundFile file;
                file.folder = here;
                file.bytes = step.files[i];
                file.name = QString::fromStdString(SongName::readable(file.bytes));
                file.seconds = i < step.lengths.size() ? step.lengths[i] : -1;
                if (i < step.tags.size())
                    file.tags = step.tags[i];
                places.insert(placeKey(file.folder, file.name), int(files.size()));
                files.push_back(std::move(file));
            }
        }
    }

    plan->root = disc.recorded ? disc.record.root : likelyRoot(rows, places);

    // Rows whose file is where it was are unchanged; the others are gone, or moved when a
    // file of theirs turns up in another folder.
    std::vector<const DiscRow*> missing;
    for (const DiscRow& row : rows) {
        bool found = false;
        if (row.fullPath.startsWith(plan->root)) {
            const QString here = row.fullPath.mid(plan->root.size());
            for (const QString& name : fileNamesOf(row)) {
                const auto place = places.constFind(placeKey(here.isEmpty() ? here : withSlash(here), name));
                if (place != places.cend() && !files[size_t(*place)].taken) {
                    files[size_t(*place)].taken = true;
                    found = true;
                    break;
                }
            }
        }
        if (found)
            ++plan->unchanged;
        else
            missing.push_back(&row);
    }
    // What each file left over would be called as a new row.
    QHash<QString, int> bySong;
    std::vector<std::pair<std::string, std::string>> names(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].taken)
            continue;
        CatalogueBuilder::nameSong(files[i].name.toStdString(), &files[i].tags, options.reading.tags,
                                   &names[i].first, &names[i].second);
        bySong.insert(
            songKey(QString::fromStdString(names[i].first), QString::fromStdString(names[i].second)), int(i));
    }
    const auto place = [](const QString& folder, const QString& name) { return folder + name; };
    for (const DiscRow* row : missing) {
        const QString oldPlace = place(row->fullPath.mid(plan->root.size()), fileNamesOf(*row).first());
        const auto moved = bySong.constFind(songKey(row->artist, row->title));
        if (moved != bySong.cend() && !files[size_t(*moved)].taken) {
            FoundFile& file = files[size_t(*moved)];
            file.taken = true;
            Plan::Move move;
            move.rowid = row->rowid;
            move.fullPath = (plan->root + file.folder).toStdString();
            move.category = categoryOf(QString::fromStdString(move.fullPath)).toStdString();
            if (SongName::rebuiltName(row->artist.toStdString(), row->title.toStdString()) != file.bytes)
                move.fileName = file.bytes;
            plan->moves.push_back(std::move(move));
            plan->moved << Listed{row->artist, row->title,
                                  oldPlace + QStringLiteral(" → ") + place(file.folder, file.name)};
            continue;
        }
        plan->goneRows.push_back(row->rowid);
        plan->gone << Listed{row->artist, row->title, oldPlace};
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (files[i].taken)
            continue;
        Plan::NewFile add;
        add.fullPath = (plan->root + files[i].folder).toStdString();
        add.category = categoryOf(QString::fromStdString(add.fullPath)).toStdString();
        add.fileName = files[i].bytes;
        add.artist = names[i].first;
        add.title = names[i].second;
        add.seconds = files[i].seconds;
        plan->newFiles.push_back(std::move(add));
        plan->added << Listed{QString::fromStdString(names[i].first), QString::fromStdString(names[i].second),
                              place(files[i].folder, files[i].name)};
    }

    // Signs that the drive holds another disc, or nothing.
    if (disc.recorded && !disc.record.uuid.isEmpty() && !volume.uuid.isEmpty() &&
        disc.record.uuid != volume.uuid)
        plan->warnings << QStringLiteral(
                              "The volume in the drive is not the one catalogued as %1: its UUID is %2, "
                              "the disc's was %3.")
                              .arg(disc.name, volume.uuid, disc.record.uuid);
    if (rootUnreadable || files.empty())
        plan->warnings
            << QStringLiteral("%1 holds no songs or cannot be read. Is the disc in the drive?").arg(walked);
    if (!rows.empty() && qint64(plan->goneRows.size()) * 2 > qint64(rows.size()))
        plan->warnings << QStringLiteral("More than half of the disc's songs (%1 of %2) would be removed.")
                              .arg(plan->goneRows.size())
                              .arg(rows.size());
    return {};
}

Failure DiscUpdate::apply(Database& db, const Disc& disc, const Plan& plan, const QString& folder,
                          const Volume& volume, const Options& options, qint64& duplicateCounter,
                          Result* result)
{
    *result = Result();
    if (Failure f = db.execute(QStringLiteral("BEGIN IMMEDIATE")))
        return f;
    const auto work = [&]() -> Failure {
        Statement remove, move;
        if (Failure f = remove.prepare(db.handle(), QStringLiteral("DELETE FROM adosong WHERE rowid=?")))
            return f;
        for (const qint64 rowid : plan.goneRows) {
            remove.reset();
            remove.bindInt(1, rowid);
            Failure failure;
            remove.step(&failure);
            if (failure)
                return failure;
            ++result->removed;
        }
        const bool names = Song::hasFileNameField(db);
        if (Failure f =
                move.prepare(db.handle(), QStringLiteral("UPDATE adosong SET FullPath=?, Category=?%1 "
                                                         "WHERE rowid=?")
                                              .arg(names ? QStringLiteral(", FileName=?") : QString())))
            return f;
        for (const Plan::Move& m : plan.moves) {
            move.reset();
            move.bindText(1, m.fullPath);
            move.bindText(2, m.category);
            int next = 3;
            if (names)
                move.bindFileName(next++, m.fileName ? QByteArray::fromStdString(*m.fileName) : QByteArray());
            move.bindInt(next, m.rowid);
            Failure failure;
            move.step(&failure);
            if (failure)
                return failure;
            ++result->moved;
        }
        // Added inside the transaction: the table commits nothing of its own.
        SongTable table;
        if (Failure f = table.open(db))
            return f;
        const std::string discName = disc.name.toStdString();
        for (const Plan::NewFile& file : plan.newFiles) {
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
                table.setTextView(Song::MP3cd, discName);
                table.setTextView(Song::Category, file.category);
                table.setTextView(Song::FullPath, file.fullPath);
                const std::string rebuilt = SongName::rebuiltName(file.artist, title);
                if (rebuilt != file.fileName)
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
                ++duplicateCounter;
                title += " ****" + std::to_string(duplicateCounter);
            }
        }
        table.close();
        // The disc is remembered as it is now; its songs stay under the folder they were kept under.
        DiscRecord record = disc.record;
        if (!disc.recorded) {
            record.name = disc.name;
            record.root = plan.root;
            const QString walked = withSlash(folder);
            const QString volumeRoot = withSlash(volume.root);
            const QString onVolume =
                walked.startsWith(volumeRoot) ? walked.mid(volumeRoot.size()) : QString();
            record.volumeRoot = plan.root.endsWith(onVolume) ? plan.root.chopped(onVolume.size()) : plan.root;
        }
        record.label = volume.label;
        record.uuid = volume.uuid;
        record.fileSystem = volume.fileSystem;
        record.size = volume.size;
        return DiscRecords::remember(db, record);
    };
    Failure failure = work();
    if (!failure)
        failure = db.execute(QStringLiteral("COMMIT"));
    if (failure) {
        db.execute(QStringLiteral("ROLLBACK"));
        *result = Result();
    }
    return failure;
}
