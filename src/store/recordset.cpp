#include "store/recordset.h"

#include "store/songtable.h"
#include "store/songtotals.h"
#include "store/transaction.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include <sqlite3.h>

namespace {
constexpr size_t cacheLimit = 4096;
constexpr qint64 prefetchRows = 64;

Failure noCurrentRecord()
{
    return {FailureNumber::NoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted.")};
}
} // namespace

RecordSet::RecordSet(QObject* parent) : QObject(parent) {}

RecordSet::~RecordSet()
{
    close();
}

void RecordSet::setCatalogue(const QString& path, bool readOnly)
{
    if (path != m_path || readOnly != m_readOnly)
        close();
    m_path = path;
    m_readOnly = readOnly;
}

void RecordSet::setBusyTimeout(int milliseconds)
{
    m_busyTimeout = milliseconds;
    m_db.setBusyTimeout(milliseconds);
}

void RecordSet::close()
{
    m_fetch.finalize();
    m_db.close();
    m_active = false;
    m_rowids.clear();
    m_cache.clear();
    m_current = -1;
    m_onDeletedRow = false;
    m_readFailing = false;
}

Failure RecordSet::ensureOpen()
{
    if (m_db.isOpen())
        return {};
    if (m_path.isEmpty())
        return {FailureNumber::InvalidArgument, QStringLiteral("No catalogue is named.")};
    if (Failure f = m_db.open(m_path, m_readOnly))
        return f;
    m_db.setBusyTimeout(m_busyTimeout);
    if (m_cacheMebibytes > 0)
        m_db.setCacheSize(m_cacheMebibytes);
    // SQLite's own small page cache: a run of the record source reads every page of an
    // index once, and a larger cache only makes each of them a fresh allocation (a search
    // of a million rows took two and a half times as long with 32 MiB). Pages read again
    // come from the system's file cache.
    m_hasFileName = m_db.shape().fileNames;
    const QString fields = Song::fieldNames().join(QLatin1Char(',')) + QLatin1Char(',') +
                           (m_hasFileName ? Song::fileNameField : QStringLiteral("NULL"));
    return m_fetch.prepare(m_db.handle(),
                           QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(fields, Song::tableName),
                           Statement::Use::Kept);
}

namespace {

// The index whose keys are the order's own, or none (for the play time order, whose
// statements come in parts, none is walked).
QString indexInOrder(const QStringList& orderBy)
{
    if (orderBy.isEmpty() || Song::fieldIndex(orderBy.first()) == Song::Playtime)
        return {};
    for (const auto& [index, columns] : Song::coveringIndexes()) {
        if (columns.size() != orderBy.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; i < columns.size() && same; ++i)
            same = columns[i].compare(orderBy[i].trimmed(), Qt::CaseInsensitive) == 0;
        if (same)
            return index;
    }
    return {};
}

// The rowids a table's rows have, first and last.
bool rowidSpan(Database& db, qint64* first, qint64* last)
{
    Statement span;
    if (span.prepare(db.handle(), QStringLiteral("SELECT min(rowid), max(rowid) FROM adosong")).failed() ||
        !span.step() || span.column(0).isNull())
        return false;
    *first = span.column(0).toLongLong();
    *last = span.column(1).toLongLong();
    return true;
}

// The share of the rows that meet `condition`, judged from a few short runs of rows spread over
// the table: enough to choose how to put the matches in order. Nothing when no row was seen.
std::optional<double> sampledShare(Database& db, const QString& condition, const QVariantList& parameters,
                                   qint64 first, qint64 last)
{
    const int next = int(parameters.size()) + 1;
    Statement sample;
    if (sample
            .prepare(db.handle(),
                     QStringLiteral("SELECT count(*), count(CASE WHEN %1 THEN 1 END) FROM adosong "
                                    "WHERE rowid BETWEEN ?%2 AND ?%3")
                         .arg(condition)
                         .arg(next)
                         .arg(next + 1))
            .failed())
        return std::nullopt;
    constexpr int runs = 16;
    constexpr qint64 runLength = 256;
    qint64 seen = 0, matched = 0;
    for (int run = 0; run < runs; ++run) {
        const qint64 from = first + (last - first) / runs * run;
        sample.reset();
        for (int i = 0; i < int(parameters.size()); ++i)
            sample.bind(i + 1, parameters[i]);
        sample.bindInt(next, from);
        sample.bindInt(next + 1, from + runLength - 1);
        if (!sample.step())
            return std::nullopt;
        seen += sample.column(0).toLongLong();
        matched += sample.column(1).toLongLong();
    }
    return seen > 0 ? std::optional<double>(double(matched) / double(seen)) : std::nullopt;
}

// A filter that many rows meet, put in order without a sort: its rows are marked while the
// table is read in its own order, then the order's index is walked and the marked rows are
// taken as they come. Sorting a few hundred thousand matches takes longer than the walk of a
// million index entries. False, with nothing done, when the filter is too narrow for it to
// pay (or the rowids too far apart to mark).
bool selectThroughOrderIndex(Database& db, const RecordSource& source, std::vector<qint64>* rowids,
                             Failure* failure)
{
    constexpr qint64 smallestTable = 50000;
    constexpr qint64 widestSpan = qint64(1) << 26; // 8 MiB of marks
    constexpr double narrowest = 0.1;
    if (source.kind == RecordSource::Kind::Duplicates)
        return false;
    const QString index = indexInOrder(source.orderBy);
    QString condition;
    QVariantList parameters;
    if (index.isEmpty() || source.condition(&condition, &parameters) || condition.isEmpty())
        return false;
    Transaction read(db);
    qint64 first = 0, last = 0;
    if (!rowidSpan(db, &first, &last) || last - first < smallestTable || last - first >= widestSpan)
        return false;
    const std::optional<double> share = sampledShare(db, condition, parameters, first, last);
    if (!share || *share < narrowest)
        return false;
    std::vector<bool> marked(size_t(last - first + 1));
    Statement matches, walk;
    if ((*failure = matches.prepare(db.handle(),
                                    QStringLiteral("SELECT rowid FROM adosong WHERE %1").arg(condition))))
        return true;
    for (int i = 0; i < int(parameters.size()); ++i)
        matches.bind(i + 1, parameters[i]);
    qint64 left = 0;
    while (matches.step(failure)) {
        const qint64 rowid = sqlite3_column_int64(matches.get(), 0);
        if (rowid >= first && rowid <= last && !marked[size_t(rowid - first)]) {
            marked[size_t(rowid - first)] = true;
            ++left;
        }
    }
    if (*failure ||
        (*failure = walk.prepare(db.handle(), QStringLiteral("SELECT rowid FROM adosong INDEXED BY "
                                                             "%1 ORDER BY %2")
                                                  .arg(index, source.orderBy.join(QLatin1Char(','))))))
        return true;
    rowids->reserve(rowids->size() + size_t(left));
    while (left > 0 && walk.step(failure)) {
        const qint64 rowid = sqlite3_column_int64(walk.get(), 0);
        if (rowid >= first && rowid <= last && marked[size_t(rowid - first)]) {
            rowids->push_back(rowid);
            --left;
        }
    }
    return true;
}

} // namespace

Failure selectRowids(Database& db, const RecordSource& source, std::vector<qint64>* rowids)
{
    if (Failure failure; selectThroughOrderIndex(db, source, rowids, &failure))
        return failure;
    if (source.kind == RecordSource::Kind::Duplicates) {
        std::vector<qint64> found;
        if (Failure f = Duplicates::find(db, source.sameDiscToo, &found, {}, source.orderBy))
            return f;
        rowids->insert(rowids->end(), found.begin(), found.end());
        return {};
    }
    QStringList statements;
    if (!source.rowidQueries(&statements))
        return {FailureNumber::InvalidArgument,
                QStringLiteral("The record source names an unknown field: %1").arg(source.text())};
    const QVariantList parameters = source.parameters();
    for (const QString& sql : statements) {
        Statement query;
        if (Failure f = query.prepare(db.handle(), sql))
            return f;
        for (int i = 0; i < int(parameters.size()); ++i)
            query.bind(i + 1, parameters[i]);
        Failure failure;
        while (query.step(&failure))
            rowids->push_back(sqlite3_column_int64(query.get(), 0));
        if (failure)
            return failure;
    }
    return {};
}

Failure RecordSet::refresh()
{
    if (Failure f = ensureOpen())
        return f;
    std::vector<qint64> rowids;
    rowids.reserve(m_rowids.size() + 1024);
    if (Failure f = selectRowids(m_db, m_source, &rowids))
        return f;
    adoptRows(std::move(rowids));
    return {};
}

Failure RecordSet::adoptRows(std::vector<qint64> rowids)
{
    if (Failure f = ensureOpen())
        return f;
    emit aboutToReset();
    m_rowids = std::move(rowids);
    m_cache.clear();
    m_active = true;
    m_current = m_rowids.empty() ? -1 : 0;
    m_onDeletedRow = false;
    emit resetDone();
    if (m_current >= 0)
        emit moveComplete(EventReason::Requery);
    return {};
}

Failure RecordSet::requery(const RecordSource& source)
{
    const RecordSource before = m_source;
    m_source = source;
    const Failure failure = refresh();
    if (failure)
        m_source = before;
    return failure;
}

Failure RecordSet::moveWith(qint64 index, EventReason reason)
{
    if (!m_active)
        return noCurrentRecord();
    if (index < 0 || index >= recordCount())
        return noCurrentRecord();
    m_current = index;
    m_onDeletedRow = false;
    emit moveComplete(reason);
    return {};
}

Failure RecordSet::moveFirst()
{
    return moveWith(0, EventReason::MoveFirst);
}

Failure RecordSet::moveLast()
{
    return moveWith(recordCount() - 1, EventReason::MoveLast);
}

Failure RecordSet::moveNext()
{
    if (!m_active || m_current < 0)
        return noCurrentRecord();
    // After a delete the next row already stands in the deleted row's place.
    const qint64 next = m_onDeletedRow ? m_current : m_current + 1;
    if (next >= recordCount()) {
        // Passing the last row leaves the set at its end, with no current row.
        m_current = recordCount();
        m_onDeletedRow = false;
        return {};
    }
    return moveWith(next, EventReason::MoveNext);
}

Failure RecordSet::movePrevious()
{
    if (!m_active || m_current <= 0)
        return noCurrentRecord();
    return moveWith(qMin(m_current, recordCount()) - 1, EventReason::MovePrevious);
}

Failure RecordSet::moveTo(qint64 index)
{
    if (index == m_current) {
        m_onDeletedRow = false;
        return {};
    }
    return moveWith(index, EventReason::Move);
}

Failure RecordSet::deleteCurrent()
{
    if (!m_active || m_current < 0 || m_current >= recordCount())
        return noCurrentRecord();
    emit willChangeRecord(EventReason::Delete);
    Statement del;
    if (Failure f = del.prepare(m_db.handle(), QStringLiteral("DELETE FROM ") + Song::tableName +
                                                   QStringLiteral(" WHERE rowid=?")))
        return f;
    const qint64 index = m_current;
    del.bindInt(1, m_rowids[size_t(index)]);
    Failure failure;
    del.step(&failure);
    if (failure)
        return failure;
    emit rowAboutToBeRemoved(index);
    m_cache.erase(m_rowids[size_t(index)]);
    m_rowids.erase(m_rowids.begin() + index);
    m_onDeletedRow = true;
    emit rowRemoved(index);
    return {};
}

std::vector<qint64> RecordSet::rowidsAt(const std::vector<qint64>& indexes) const
{
    std::vector<qint64> rowids;
    for (const qint64 index : indexes) {
        if (const qint64 rowid = rowidAt(index))
            rowids.push_back(rowid);
    }
    return rowids;
}

std::vector<qint64> RecordSet::validIndexes(std::vector<qint64> indexes) const
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    indexes.erase(std::remove_if(indexes.begin(), indexes.end(),
                                 [this](qint64 i) { return i < 0 || i >= recordCount(); }),
                  indexes.end());
    return indexes;
}

Failure RecordSet::deleteRows(std::vector<qint64> indexes)
{
    indexes = validIndexes(std::move(indexes));
    if (!m_active || indexes.empty())
        return noCurrentRecord();
    emit willChangeRecord(EventReason::Delete);
    const std::vector<qint64> rowids = rowidsAt(indexes);
    if (Failure f = deleteSongs(m_db, rowids))
        return f;
    forgetRows(rowids);
    return {};
}

void RecordSet::forgetRows(const std::vector<qint64>& rowids)
{
    const std::unordered_set<qint64> gone(rowids.begin(), rowids.end());
    qint64 first = -1;
    for (size_t i = 0; i < m_rowids.size() && first < 0; ++i) {
        if (gone.count(m_rowids[i]))
            first = qint64(i);
    }
    if (!m_active || first < 0)
        return;
    emit aboutToReset();
    std::vector<qint64> kept;
    kept.reserve(m_rowids.size());
    for (const qint64 rowid : m_rowids) {
        if (gone.count(rowid))
            m_cache.erase(rowid);
        else
            kept.push_back(rowid);
    }
    m_rowids.swap(kept);
    m_current = m_rowids.empty() ? -1 : qMin(first, recordCount() - 1);
    m_onDeletedRow = false;
    emit resetDone();
    if (m_current >= 0)
        emit moveComplete(EventReason::Delete);
}

Failure RecordSet::updateField(qint64 index, int field, const QVariant& value)
{
    if (!m_active || index < 0 || index >= recordCount())
        return noCurrentRecord();
    if (field < 0 || field >= Song::FieldCount)
        return {FailureNumber::InvalidArgument, QStringLiteral("Item cannot be found in the collection.")};
    emit willChangeRecord(EventReason::Update);
    Statement update;
    const QString& name = Song::fieldNames()[field];
    QString sql = QStringLiteral("UPDATE %1 SET %2=?1").arg(Song::tableName, name);
    // The name is made of the values before the change, in the same statement, and only
    // when none is kept yet and the value really changes.
    if (m_hasFileName && (field == Song::Artist || field == Song::Title))
        sql += QStringLiteral(", %1=CASE WHEN %1 IS NULL AND %2 IS NOT ?1 COLLATE BINARY THEN "
                              "Artist || '-' || Title || '.mp3' ELSE %1 END")
                   .arg(Song::fileNameField, name);
    sql += QStringLiteral(" WHERE rowid=?2");
    if (Failure f = update.prepare(m_db.handle(), sql))
        return f;
    update.bind(1, value);
    update.bindInt(2, m_rowids[size_t(index)]);
    Failure failure;
    update.step(&failure);
    if (failure)
        return failure;
    m_cache.erase(m_rowids[size_t(index)]);
    emit rowChanged(index);
    return {};
}

Failure RecordSet::addNew(const Row& values)
{
    if (Failure f = ensureOpen())
        return f;
    emit willChangeRecord(EventReason::AddNew);
    Statement insert;

    if (Failure f = insert.prepare(m_db.handle(), Song::insertStatement()))
        return f;
    for (int i = 0; i < Song::FieldCount; ++i)
        insert.bind(i + 1, values[size_t(i)]);
    Failure failure;
    insert.step(&failure);
    if (failure)
        return failure;
    // A new row stays at the end of the result until the next refresh.
    const qint64 index = recordCount();
    emit rowAboutToBeAppended(index);
    m_active = true;
    m_rowids.push_back(sqlite3_last_insert_rowid(m_db.handle()));
    emit rowAppended(index);
    return {};
}

QVariant RecordSet::value(qint64 index, int field)
{
    if (field < 0 || field >= Song::FieldCount)
        return QVariant();
    const Cached* row = fetch(index);
    return row ? row->row[size_t(field)] : QVariant();
}

QByteArray RecordSet::fileName(qint64 index)
{
    const Cached* row = fetch(index);
    return row ? row->fileName : QByteArray();
}

const RecordSet::Cached* RecordSet::fetch(qint64 index)
{
    if (index < 0 || index >= recordCount() || !m_fetch)
        return nullptr;
    const auto hit = m_cache.find(m_rowids[size_t(index)]);
    if (hit != m_cache.end())
        return &hit->second;
    if (m_cache.size() > cacheLimit)
        m_cache.clear();
    // Rows on screen are asked for one after another: fetch a few ahead, under one read
    // lock rather than one each.
    const qint64 last = qMin(recordCount(), index + prefetchRows);
    // Once reads have failed, the next ones do not wait again: a screenful of rows would
    // otherwise wait its turn once a row.
    if (m_readFailing)
        m_db.setBusyTimeout(0);
    std::optional<Transaction> together;
    together.emplace(m_db);
    Failure failure;
    for (qint64 i = index; i < last && !failure; ++i) {
        const qint64 rowid = m_rowids[size_t(i)];
        if (m_cache.count(rowid))
            continue;
        m_fetch.reset();
        m_fetch.bindInt(1, rowid);
        Cached row;
        if (m_fetch.step(&failure)) {
            for (int f = 0; f < Song::FieldCount; ++f)
                row.row[size_t(f)] = m_fetch.column(f);
            row.fileName = m_fetch.columnBytes(Song::FieldCount);
        }
        m_fetch.reset();
        // A row that could not be read is not kept as an empty one: it is read again later.
        if (!failure)
            m_cache.emplace(rowid, std::move(row));
    }
    together.reset();
    if (m_readFailing)
        m_db.setBusyTimeout(m_busyTimeout);
    const auto read = m_cache.find(m_rowids[size_t(index)]);
    if (read == m_cache.end()) {
        if (!m_readFailing) {
            m_readFailing = true;
            emit readFailed(failure.number, failure.description);
        }
        return nullptr;
    }
    m_readFailing = false;
    return &read->second;
}
