#include "store/discs.h"

#include "store/playtime.h"
#include "store/transaction.h"

#include <QHash>
#include <QScopeGuard>

#include <algorithm>

bool Disc::sameDisc(const Disc& other) const
{
    return recorded == other.recorded && Discs::sameName(name, other.name) &&
           (!recorded || record.root == other.record.root);
}

namespace Discs {

bool sameName(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        const auto lower = [](char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c; };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

namespace {

// A name as the catalogue compares it: ASCII letters in lower case.
QString nameKey(const QString& name)
{
    QString key = name;
    for (QChar& c : key) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(char16_t(c.unicode() + 32));
    }
    return key;
}

// Which disc of a list each song belongs to.
class Owners
{
public:
    explicit Owners(QList<Disc>* discs) : m_discs(discs)
    {
        for (int i = 0; i < discs->size(); ++i) {
            const Disc& disc = discs->at(i);
            (disc.recorded ? m_recorded[nameKey(disc.name)] : m_unrecorded[nameKey(disc.name)]) << i;
        }
    }

    // The disc of a song of `name` in `folder`: the record of its name with the deepest root
    // holding the folder, else the disc of the name without a record (made when missing).
    int owner(const QString& name, const QString& folder)
    {
        const QString key = nameKey(name);
        const QString& path = folder;
        int best = -1;
        for (const int i : m_recorded.value(key)) {
            const QString& root = m_discs->at(i).record.root;
            if (root.endsWith(QLatin1Char('/')) && path.startsWith(root) &&
                (best < 0 || root.size() > m_discs->at(best).record.root.size()))
                best = i;
        }
        if (best >= 0)
            return best;
        QList<int>& unrecorded = m_unrecorded[key];
        if (unrecorded.isEmpty()) {
            Disc disc;
            disc.name = name;
            m_discs->append(disc);
            unrecorded << int(m_discs->size() - 1);
        }
        return unrecorded.first();
    }

private:
    QList<Disc>* m_discs;
    QHash<QString, QList<int>> m_recorded;
    QHash<QString, QList<int>> m_unrecorded;
};

// Runs `work` in one transaction: all of it or nothing.
Failure together(Database& db, const std::function<Failure()>& work)
{
    Transaction change(db, Transaction::Kind::Immediate);
    if (change.begun())
        return change.begun();
    if (Failure f = work())
        return f;
    return change.commit();
}

Failure runForEach(Database& db, const QString& sql, const std::vector<qint64>& rowids, const QVariant& value)
{
    Statement statement;
    if (Failure f = statement.prepare(db.handle(), sql))
        return f;
    for (const qint64 rowid : rowids) {
        statement.reset();
        int next = 1;
        if (value.isValid())
            statement.bind(next++, value);
        statement.bindInt(next, rowid);
        Failure failure;
        statement.step(&failure);
        if (failure)
            return failure;
    }
    return {};
}

} // namespace

namespace {

// Counts songs of one disc name in ranges of folders, reading only the index of disc names
// and folders.
class FolderCounter
{
public:
    explicit FolderCounter(Database& db) : m_db(db) {}

    // Songs of `name` whose folder is at least `from` and below `to` (an empty bound is open;
    // with both open, every song of the name). With `withoutFolder`, the songs without one.
    Failure count(const QString& name, const QString& from, const QString& to, qint64* songs,
                  bool withoutFolder = false)
    {
        Statement& query = m_queries[withoutFolder ? 4 : (from.isEmpty() ? 0 : 1) + (to.isEmpty() ? 0 : 2)];
        if (!query) {
            QString sql = QStringLiteral("SELECT count(*) FROM adosong WHERE MP3cd=?1");
            if (withoutFolder)
                sql += QStringLiteral(" AND FullPath IS NULL");
            else if (!from.isEmpty())
                sql += QStringLiteral(" AND FullPath COLLATE BINARY >= ?2");
            if (!to.isEmpty() && !withoutFolder)
                sql += QStringLiteral(" AND FullPath COLLATE BINARY < ?3");
            if (Failure f = query.prepare(m_db.handle(), sql))
                return f;
        }
        query.reset();
        query.bind(1, name);
        if (!from.isEmpty() && !withoutFolder)
            query.bind(2, from);
        if (!to.isEmpty() && !withoutFolder)
            query.bind(3, to);
        Failure failure;
        *songs = query.step(&failure) ? query.column(0).toLongLong() : 0;
        return failure;
    }

private:
    Database& m_db;
    Statement m_queries[5];
};

// The first folder after every folder that begins with `root` (which ends in "/").
QString pastFolder(const QString& root)
{
    return root.chopped(1) + QChar(char16_t('/' + 1));
}

// The disc names the songs carry, one spelling of each, hopping through the index.
Failure songNames(Database& db, QStringList* names, qint64* withoutName)
{
    Statement first, next, nulls;
    if (Failure f =
            first.prepare(db.handle(), QStringLiteral("SELECT MP3cd FROM adosong WHERE MP3cd IS NOT NULL "
                                                      "ORDER BY MP3cd LIMIT 1")))
        return f;
    if (Failure f = next.prepare(
            db.handle(), QStringLiteral("SELECT MP3cd FROM adosong WHERE MP3cd > ? ORDER BY MP3cd LIMIT 1")))
        return f;
    if (Failure f =
            nulls.prepare(db.handle(), QStringLiteral("SELECT count(*) FROM adosong WHERE MP3cd IS NULL")))
        return f;
    Failure failure;
    *withoutName = nulls.step(&failure) ? nulls.column(0).toLongLong() : 0;
    if (failure || !first.step(&failure))
        return failure;
    for (QString name = first.column(0).toString();;) {
        *names << name;
        next.reset();
        next.bind(1, name);
        if (!next.step(&failure))
            return failure;
        name = next.column(0).toString();
    }
}

} // namespace

namespace {

// Counts the songs of the disc name `name` into its records `own` (places in `discs`), and
// the songs no record of it holds into `recordless`. The records go outermost folders
// first: each counts its range less the ranges of the records nested right inside it.
Failure countName(FolderCounter& counter, const QString& name, QList<int> own, QList<Disc>* discs,
                  qint64* recordless)
{
    std::sort(own.begin(), own.end(),
              [&](int a, int b) { return discs->at(a).record.root < discs->at(b).record.root; });
    QList<int> open; // the chain of records holding the one at hand
    QString outside; // where the folders outside every record begin again
    *recordless = 0;
    for (const int i : std::as_const(own)) {
        Disc& disc = (*discs)[i];
        const QString& root = disc.record.root;
        if (!root.endsWith(QLatin1Char('/')))
            continue; // a record edited by hand: no folder is under it
        while (!open.isEmpty() && !root.startsWith(discs->at(open.last()).record.root))
            open.removeLast();
        if (Failure f = counter.count(name, root, pastFolder(root), &disc.songs))
            return f;
        if (!open.isEmpty()) {
            (*discs)[open.last()].songs -= disc.songs;
        } else {
            qint64 between = 0;
            if (Failure f = counter.count(name, outside, root, &between))
                return f;
            *recordless += between;
            outside = pastFolder(root);
        }
        open << i;
    }
    qint64 rest = 0;
    if (Failure f = counter.count(name, outside, QString(), &rest))
        return f;
    *recordless += rest;
    // Songs without a folder lie outside every range but the last when there are none.
    if (!own.isEmpty()) {
        if (Failure f = counter.count(name, QString(), QString(), &rest, true))
            return f;
        *recordless += rest;
    }
    return {};
}

} // namespace

Failure list(Database& db, QList<Disc>* discs)
{
    discs->clear();
    QList<DiscRecord> records;
    if (Failure f = DiscRecords::all(db, &records))
        return f;
    QHash<QString, QList<int>> recordedByName;
    for (const DiscRecord& record : std::as_const(records)) {
        recordedByName[nameKey(record.name)] << int(discs->size());
        *discs << Disc{record.name, true, record, 0, false, 0, 0};
    }
    QStringList names;
    qint64 withoutName = 0;
    if (Failure f = songNames(db, &names, &withoutName))
        return f;
    QList<Disc> unrecorded;
    if (withoutName > 0)
        unrecorded << Disc{QString(), false, {}, withoutName, false, 0, 0};
    FolderCounter counter(db);
    for (const QString& name : std::as_const(names)) {
        qint64 recordless = 0;
        if (Failure f = countName(counter, name, recordedByName.value(nameKey(name)), discs, &recordless))
            return f;
        if (recordless > 0)
            unrecorded << Disc{name, false, {}, recordless, false, 0, 0};
    }
    std::sort(unrecorded.begin(), unrecorded.end(),
              [](const Disc& a, const Disc& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
    // The notes of a disc without a record are kept by its name.
    QList<std::pair<QString, DiscNotes>> lone;
    if (Failure f = DiscRecords::loneNotes(db, &lone))
        return f;
    QHash<QString, DiscNotes> notesByName;
    for (const auto& [name, notes] : std::as_const(lone))
        notesByName.insert(nameKey(name), notes);
    for (Disc& disc : unrecorded)
        disc.record.notes = notesByName.value(nameKey(disc.name));
    *discs << unrecorded;
    return {};
}

Failure addPlayTimes(Database& db, QList<Disc>* discs, const std::atomic<bool>* stop)
{
    QList<Disc> counted = *discs;
    for (Disc& disc : counted) {
        disc.seconds = 0;
        disc.withoutTime = 0;
    }
    Owners owners(&counted);
    Statement songs;
    if (Failure f =
            songs.prepare(db.handle(), QStringLiteral("SELECT MP3cd, FullPath, Playtime FROM adosong")))
        return f;
    // A folder's songs mostly follow one another: its owner is looked up once for the run.
    QString lastName, lastFolder;
    int owner = -1;
    Failure failure;
    qint64 read = 0;
    while (songs.step(&failure)) {
        if ((++read & 4095) == 0 && stop && *stop)
            return {};
        const QString name = songs.column(0).toString();
        const QString folder = songs.column(1).toString();
        if (owner < 0 || name != lastName || folder != lastFolder) {
            owner = owners.owner(name, folder);
            lastName = name;
            lastFolder = folder;
        }
        const std::optional<qint64> seconds = PlayTime::seconds(songs.column(2).toString());
        if (seconds)
            counted[owner].seconds += *seconds;
        else
            ++counted[owner].withoutTime;
    }
    if (failure)
        return failure;
    for (qsizetype i = 0; i < discs->size(); ++i) {
        (*discs)[i].seconds = counted[i].seconds;
        (*discs)[i].withoutTime = counted[i].withoutTime;
        (*discs)[i].timesKnown = true;
    }
    return {};
}

namespace {

// Calls `take` with each song of `disc` that `sql` reads (its first two columns the rowid and
// the folder; its one parameter the disc's name), in the table's order.
Failure forEachSongOf(Database& db, const Disc& disc, const QString& sql,
                      const std::function<void(const Statement& song)>& take)
{
    QList<DiscRecord> records;
    if (Failure f = DiscRecords::named(db, disc.name, &records))
        return f;
    QList<Disc> discs;
    for (const DiscRecord& record : std::as_const(records)) {
        Disc recordedDisc;
        recordedDisc.name = record.name;
        recordedDisc.recorded = true;
        recordedDisc.record = record;
        discs << recordedDisc;
    }
    Owners owners(&discs);
    Statement songs;
    if (Failure f = songs.prepare(db.handle(), sql))
        return f;
    songs.bind(1, disc.name.isNull() ? QVariant() : QVariant(disc.name));
    Failure failure;
    while (songs.step(&failure)) {
        if (discs[owners.owner(disc.name, songs.column(1).toString())].sameDisc(disc))
            take(songs);
    }
    return failure;
}

} // namespace

Failure songsOf(Database& db, const Disc& disc, std::vector<qint64>* rowids)
{
    rowids->clear();
    // In the table's order, so that changing them visits each page once.
    const auto sorted = qScopeGuard([rowids] { std::sort(rowids->begin(), rowids->end()); });
    return forEachSongOf(db, disc, QStringLiteral("SELECT rowid, FullPath FROM adosong WHERE MP3cd IS ?"),
                         [rowids](const Statement& song) { rowids->push_back(song.column(0).toLongLong()); });
}

Failure readSongs(Database& db, const Disc& disc, std::vector<DiscSong>* songs)
{
    songs->clear();
    return forEachSongOf(
        db, disc,
        QStringLiteral(
            "SELECT rowid, FullPath, Artist, Title, Playtime, Category FROM adosong WHERE MP3cd IS ? "
            "ORDER BY rowid"),
        [songs](const Statement& song) {
            songs->push_back({song.column(0).toLongLong(), song.column(2).toString(),
                              song.column(3).toString(), song.column(4).toString(), song.column(5).toString(),
                              song.column(1).toString()});
        });
}

Failure validName(const QString& name, QString* kept)
{
    *kept = name.trimmed();
    if (kept->isEmpty())
        return {FailureNumber::InvalidArgument, QStringLiteral("A disc needs a name.")};
    if (kept->size() > maxNameLength)
        return {FailureNumber::InvalidArgument,
                QStringLiteral("A disc's name can be at most %1 characters long.").arg(maxNameLength)};
    for (const QChar c : std::as_const(*kept)) {
        if (c.category() == QChar::Other_Control)
            return {FailureNumber::InvalidArgument,
                    QStringLiteral("A disc's name cannot hold a line break, a tab or another control "
                                   "character.")};
    }
    return {};
}

Failure rename(Database& db, const Disc& disc, const QString& wanted, qint64* songs)
{
    QString newName;
    if (Failure f = validName(wanted, &newName))
        return f;
    return together(db, [&]() -> Failure {
        std::vector<qint64> own;
        if (Failure f = songsOf(db, disc, &own))
            return f;
        // Another disc of that name: a record, or songs that are not this disc's.
        QList<DiscRecord> records;
        if (Failure f = DiscRecords::named(db, newName, &records))
            return f;
        const bool otherRecord = std::any_of(records.begin(), records.end(), [&](const DiscRecord& r) {
            return !(disc.recorded && sameName(r.name, disc.name) && r.root == disc.record.root);
        });
        Statement named;
        if (Failure f =
                named.prepare(db.handle(), QStringLiteral("SELECT count(*) FROM adosong WHERE MP3cd=?")))
            return f;
        named.bind(1, newName);
        Failure failure;
        qint64 withName = named.step(&failure) ? named.column(0).toLongLong() : 0;
        if (failure)
            return failure;
        if (sameName(newName, disc.name))
            withName -= qint64(own.size());
        if (otherRecord || withName > 0)
            return {
                FailureNumber::InvalidArgument,
                QStringLiteral("Another disc is already called \"%1\": choose another name.").arg(newName)};
        if (Failure f =
                runForEach(db, QStringLiteral("UPDATE adosong SET MP3cd=? WHERE rowid=?"), own, newName))
            return f;
        if (disc.recorded) {
            Statement record;
            if (Failure f = record.prepare(
                    db.handle(), QStringLiteral("UPDATE adodisc SET MP3cd=? WHERE MP3cd=? AND Root=?")))
                return f;
            record.bind(1, newName);
            record.bind(2, disc.record.name);
            record.bind(3, disc.record.root);
            record.step(&failure);
            if (failure)
                return failure;
        } else if (Failure f = DiscRecords::moveLoneNotes(db, disc.name, newName)) {
            return f;
        }
        if (songs)
            *songs = qint64(own.size());
        return {};
    });
}

Failure remove(Database& db, const Disc& disc, qint64* songs)
{
    return together(db, [&]() -> Failure {
        std::vector<qint64> own;
        if (Failure f = songsOf(db, disc, &own))
            return f;
        if (Failure f = runForEach(db, QStringLiteral("DELETE FROM adosong WHERE rowid=?"), own, QVariant()))
            return f;
        if (disc.recorded) {
            Statement record;
            if (Failure f = record.prepare(db.handle(),
                                           QStringLiteral("DELETE FROM adodisc WHERE MP3cd=? AND Root=?")))
                return f;
            record.bind(1, disc.record.name);
            record.bind(2, disc.record.root);
            Failure failure;
            record.step(&failure);
            if (failure)
                return failure;
        } else if (Failure f = DiscRecords::moveLoneNotes(db, disc.name, QString())) {
            return f;
        }
        if (songs)
            *songs = qint64(own.size());
        return {};
    });
}

} // namespace Discs
