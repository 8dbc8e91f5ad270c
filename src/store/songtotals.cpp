#include "store/songtotals.h"

#include "store/playtime.h"
#include "store/schema.h"
#include "store/textfold.h"
#include "store/transaction.h"

#include <QLocale>

#include <algorithm>
#include <optional>
#include <unordered_map>

#include <sqlite3.h>

QString SongTotals::countText(qint64 songs)
{
    return songs == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(QLocale().toString(songs));
}

QString SongTotals::text() const
{
    QString text = countText(songs) + QStringLiteral(" · ") + PlayTime::total(seconds);
    if (without > 0)
        text += QStringLiteral(" · %1 without a play time").arg(QLocale().toString(without));
    return text;
}

namespace {

std::string_view column(sqlite3_stmt* statement, int index)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return text ? std::string_view(text, size_t(sqlite3_column_bytes(statement, index))) : std::string_view();
}

std::string_view trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Adds `count` songs of the stored play time `text` (null when `isNull`).
void addPlayTime(SongTotals* totals, std::string_view text, bool isNull, qint64 count)
{
    totals->songs += count;
    const std::optional<qint64> seconds =
        isNull ? std::nullopt : PlayTime::seconds(QString::fromUtf8(text.data(), qsizetype(text.size())));
    if (seconds)
        totals->seconds += *seconds * count;
    else
        totals->without += count;
}

} // namespace

namespace Duplicates {

namespace {

struct Group
{
    const std::string* key; // the map's own: kept once
    std::string firstDisc;  // as the catalogue compares disc names
    qint64 rows = 0;
    bool severalDiscs = false;
};

struct Row
{
    qint64 rowid;
    uint32_t group;
    std::string disc;
};

// Values compared as the catalogue's columns compare them: letter case of ASCII aside, and a
// missing or empty value after every other.
int compareValues(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    const bool noA = !a || a->empty(), noB = !b || b->empty();
    if (noA || noB)
        return noA == noB ? 0 : noA ? 1 : -1;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const size_t common = std::min(a->size(), b->size());
    for (size_t i = 0; i < common; ++i) {
        const char x = lower((*a)[i]), y = lower((*b)[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a->size() == b->size() ? 0 : a->size() < b->size() ? -1 : 1;
}

using Values = std::vector<std::optional<std::string>>;

int compareRows(const Values& a, const Values& b)
{
    for (size_t i = 0; i < a.size(); ++i) {
        if (const int order = compareValues(a[i], b[i]); order != 0)
            return order;
    }
    return 0;
}

// Puts the songs in the order of `orderBy` (fields by name): each song by the first of its
// rows in that order, its rows together and in that order among themselves.
Failure orderSongs(Database& db, const QStringList& orderBy, const std::vector<Group>& groups,
                   std::vector<const Row*>& found)
{
    QStringList fields;
    for (const QString& name : orderBy) {
        const int field = Song::fieldIndex(name);
        if (field < 0)
            return {FailureNumber::InvalidArgument, QStringLiteral("No field is called %1.").arg(name)};
        fields << Song::fieldNames()[field];
    }
    std::unordered_map<qint64, Values> values;
    {
        Transaction read(db);
        Statement query;
        if (Failure f = query.prepare(
                db.handle(),
                QStringLiteral("SELECT %1 FROM adosong WHERE rowid=?").arg(fields.join(QLatin1Char(',')))))
            return f;
        for (const Row* row : found) {
            query.reset();
            query.bindInt(1, row->rowid);
            Failure failure;
            Values& own = values[row->rowid];
            if (query.step(&failure)) {
                for (int i = 0; i < int(fields.size()); ++i)
                    own.push_back(sqlite3_column_type(query.get(), i) == SQLITE_NULL
                                      ? std::nullopt
                                      : std::optional<std::string>(column(query.get(), i)));
            }
            own.resize(size_t(fields.size()));
            if (failure)
                return failure;
        }
    }
    std::unordered_map<uint32_t, const Row*> first; // each song's first row in the order
    for (const Row* row : found) {
        const Row*& best = first[row->group];
        if (!best || compareRows(values[row->rowid], values[best->rowid]) < 0)
            best = row;
    }
    std::sort(found.begin(), found.end(), [&](const Row* a, const Row* b) {
        if (a->group != b->group) {
            const int order = compareRows(values[first[a->group]->rowid], values[first[b->group]->rowid]);
            if (order != 0)
                return order < 0;
            return *groups[a->group].key < *groups[b->group].key;
        }
        const int order = compareRows(values[a->rowid], values[b->rowid]);
        return order != 0 ? order < 0 : std::tie(a->disc, a->rowid) < std::tie(b->disc, b->rowid);
    });
    return {};
}

} // namespace

std::string songKey(std::string_view artist, std::string_view title)
{
    // "Harbour ****1" is the build's numbered copy of "Harbour".
    const size_t marker = title.find(" ****");
    if (marker != std::string_view::npos)
        title = title.substr(0, marker);
    std::string key;
    TextFold::foldInto(trimmed(artist), key);
    key += '\x1F';
    TextFold::foldInto(trimmed(title), key);
    return key;
}

Failure find(Database& db, bool sameDiscToo, std::vector<qint64>* rowids, const std::function<bool()>& stop,
             const QStringList& orderBy)
{
    rowids->clear();
    std::vector<Group> groups;
    std::vector<Row> rows;
    std::unordered_map<std::string, uint32_t> byKey;
    {
        Transaction read(db);
        Statement songs;
        if (Failure f =
                songs.prepare(db.handle(), QStringLiteral("SELECT rowid, Artist, Title, MP3cd FROM adosong")))
            return f;
        sqlite3_stmt* statement = songs.get();
        Failure failure;
        while (songs.step(&failure)) {
            if ((rows.size() & 4095) == 0 && stop && stop())
                return {};
            std::string key = songKey(column(statement, 1), column(statement, 2));
            const auto [at, added] = byKey.try_emplace(std::move(key), uint32_t(groups.size()));
            std::string disc(column(statement, 3));
            std::transform(disc.begin(), disc.end(), disc.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
            if (added)
                groups.push_back({&at->first, disc, 0, false});
            Group& group = groups[at->second];
            ++group.rows;
            group.severalDiscs = group.severalDiscs || disc != group.firstDisc;
            rows.push_back({sqlite3_column_int64(statement, 0), at->second, std::move(disc)});
        }
        if (failure)
            return failure;
    }
    std::vector<const Row*> found;
    for (const Row& row : rows) {
        const Group& group = groups[row.group];
        if (group.severalDiscs || (sameDiscToo && group.rows > 1))
            found.push_back(&row);
    }
    std::sort(found.begin(), found.end(), [&groups](const Row* a, const Row* b) {
        if (a->group != b->group) {
            const int order = groups[a->group].key->compare(*groups[b->group].key);
            if (order != 0)
                return order < 0;
        }
        return std::tie(a->disc, a->rowid) < std::tie(b->disc, b->rowid);
    });
    if (!orderBy.isEmpty()) {
        if (Failure f = orderSongs(db, orderBy, groups, found))
            return f;
    }
    rowids->reserve(found.size());
    for (const Row* row : found)
        rowids->push_back(row->rowid);
    return {};
}

} // namespace Duplicates

namespace Totals {

Failure ofSource(Database& db, const RecordSource& source, SongTotals* totals,
                 const std::function<bool()>& stop)
{
    *totals = SongTotals();
    if (source.kind == RecordSource::Kind::Duplicates) {
        std::vector<qint64> rowids;
        if (Failure f = Duplicates::find(db, source.sameDiscToo, &rowids, stop))
            return f;
        return ofRows(db, rowids, totals, stop);
    }
    // One step a distinct play time, from the play time index when every row counts.
    QString condition;
    QVariantList parameters;
    if (Failure f = source.condition(&condition, &parameters))
        return f;
    QString sql = QStringLiteral("SELECT Playtime, count(*) FROM adosong");
    if (!condition.isEmpty())
        sql += QStringLiteral(" WHERE ") + condition;
    sql += QStringLiteral(" GROUP BY Playtime");
    Transaction read(db);
    Statement query;
    if (Failure f = query.prepare(db.handle(), sql))
        return f;
    for (int i = 0; i < int(parameters.size()); ++i)
        query.bind(i + 1, parameters[i]);
    Failure failure;
    while (query.step(&failure)) {
        if (stop && stop())
            return {};
        addPlayTime(totals, column(query.get(), 0), sqlite3_column_type(query.get(), 0) == SQLITE_NULL,
                    sqlite3_column_int64(query.get(), 1));
    }
    return failure;
}

Failure ofRows(Database& db, const std::vector<qint64>& rowids, SongTotals* totals,
               const std::function<bool()>& stop)
{
    *totals = SongTotals();
    Transaction read(db);
    Statement query;
    if (Failure f = query.prepare(db.handle(), QStringLiteral("SELECT Playtime FROM adosong WHERE rowid=?")))
        return f;
    for (const qint64 rowid : rowids) {
        if ((totals->songs & 1023) == 0 && stop && stop())
            return {};
        query.reset();
        query.bindInt(1, rowid);
        Failure failure;
        if (query.step(&failure))
            addPlayTime(totals, column(query.get(), 0), sqlite3_column_type(query.get(), 0) == SQLITE_NULL,
                        1);
        if (failure)
            return failure;
    }
    return {};
}

} // namespace Totals
