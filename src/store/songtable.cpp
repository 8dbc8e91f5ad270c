#include "store/songtable.h"

#include "store/discrecords.h"
#include "store/transaction.h"

#include <sqlite3.h>

SongTable::~SongTable()
{
    close();
}

Failure SongTable::open(Database& db)
{
    close();
    m_storesFileNames = db.shape().fileNames;
    if (Failure f = m_insert.prepare(
            db.handle(), m_storesFileNames ? Song::insertWithFileNameStatement() : Song::insertStatement(),
            Statement::Use::Kept))
        return f;
    m_db = &db;
    addNew();
    return {};
}

void SongTable::close()
{
    endBulk();
    flush();
    m_insert.finalize();
    m_db = nullptr;
}

void SongTable::addNew()
{
    for (Value& v : m_values) {
        v.kind = Value::Null;
        v.text.clear();
    }
    m_hasFileName = false;
}

void SongTable::setText(int field, std::string_view utf8)
{
    m_values[field].kind = Value::Text;
    m_values[field].text.assign(utf8);
    m_values[field].view = m_values[field].text;
}

void SongTable::setTextView(int field, std::string_view utf8)
{
    m_values[field].kind = Value::Text;
    m_values[field].view = utf8;
}

void SongTable::setInteger(int field, qint64 value)
{
    m_values[field].kind = Value::Integer;
    m_values[field].integer = value;
}

void SongTable::setFileNameView(std::string_view bytes)
{
    m_hasFileName = true;
    m_fileName = bytes;
}

Failure SongTable::update()
{
    if (!m_insert)
        return {FailureNumber::InvalidArgument, QStringLiteral("The table is not open.")};
    if (m_batchMs > 0 && !m_db->inTransaction()) {
        m_batch.emplace(*m_db);
        if (Failure f = m_batch->begun()) {
            m_batch.reset();
            return f;
        }
        m_batchClock.start();
    }
    // Every value is bound afresh; the texts stay in m_values until the statement is rewound.
    for (int i = 0; i < Song::FieldCount; ++i) {
        const Value& v = m_values[i];
        if (v.kind == Value::Integer)
            m_insert.bindInt(i + 1, v.integer);
        else if (v.kind == Value::Text)
            m_insert.bindStaticText(i + 1, v.view);
        else
            m_insert.bindNull(i + 1);
    }
    if (m_storesFileNames) {
        if (!m_hasFileName)
            m_insert.bindNull(Song::FieldCount + 1);
        else
            m_insert.bindStaticFileName(Song::FieldCount + 1, m_fileName);
    }
    Failure failure;
    m_insert.step(&failure);
    m_insert.rewind();
    if (m_batchMs > 0 && !failure) {
        if (m_uncommitted++ == 0) {
            const Value& path = m_values[Song::FullPath];
            m_batchFirst = std::string(path.view) + std::string(m_values[Song::Artist].view) + "-" +
                           std::string(m_values[Song::Title].view);
        }
    } else if (failure && m_uncommitted > 0 && !m_db->inTransaction()) {
        // The engine rolled the whole batch back (a full disk, an I/O error).
        m_batch.reset();
        batchThrownAway(failure);
    }
    // The clock is read every few rows only: rows come in at thousands a second. This row was
    // stored: should the batch then fail to commit, it is lost with the batch, which
    // takeLoss() tells.
    if (m_batchMs > 0 && (++m_sinceClock % 32) == 0 && m_batchClock.elapsed() >= m_batchMs)
        flush();
    return failure;
}

Failure SongTable::flush()
{
    // A transaction the table did not begin is its owner's to end.
    if (!m_batch) {
        m_uncommitted = 0;
        return {};
    }
    // What cannot be committed is undone, so that the file holds exactly what was committed
    // and no journal is left behind.
    const Failure failure = m_batch->commit();
    m_batch.reset();
    if (failure)
        batchThrownAway(failure);
    m_uncommitted = 0;
    return failure;
}

void SongTable::batchThrownAway(const Failure& why)
{
    if (m_uncommitted == 0)
        return;
    if (m_loss.rows == 0) {
        m_loss.first = m_batchFirst;
        m_loss.failure = why;
    }
    m_loss.rows += m_uncommitted;
    m_uncommitted = 0;
}

void SongTable::beginBulk()
{
    if (!m_db || m_bulk)
        return;
    flush();
    Statement any;
    Failure failure;
    if (any.prepare(m_db->handle(),
                    QStringLiteral("SELECT 1 FROM ") + Song::tableName + QStringLiteral(" LIMIT 1")) ||
        any.step(&failure) || failure)
        return;
    any.finalize();
    m_bulk = !Song::dropSortIndexes(*m_db);
}

Failure SongTable::endBulk(const std::function<void()>& pulse)
{
    if (!m_bulk)
        return {};
    m_bulk = false;
    const Failure failure = flush();
    struct Pulse
    {
        const std::function<void()>& call;
        QElapsedTimer clock;
    } state{pulse, {}};
    state.clock.start();
    if (pulse) {
        // Every few thousand steps of the engine: cheap, and often enough to see the time.
        sqlite3_progress_handler(
            m_db->handle(), 4096,
            [](void* context) {
                auto* state = static_cast<Pulse*>(context);
                if (state->clock.elapsed() >= 100) {
                    state->clock.restart();
                    state->call();
                }
                return 0;
            },
            &state);
    }
    const Failure made = Song::addMissingSortIndexes(*m_db);
    sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
    return failure ? failure : made;
}

SongTable::Loss SongTable::takeLoss()
{
    Loss loss = std::move(m_loss);
    m_loss = Loss();
    return loss;
}

Failure SongTable::commitIfDue()
{
    if (m_batch && m_batchClock.elapsed() >= m_batchMs)
        return flush();
    return {};
}

Failure openEngine(Database& db, SongTable& table, const QString& path, bool readOnly, Failure* indexFailure)
{
    table.close();
    if (Failure f = db.open(path, readOnly))
        return f;
    // A build adds to the table and all its indexes at once: a page cache of up to 64 MiB
    // keeps their working pages in memory rather than reading them back from the file.
    db.setCacheSize(64);
    // Making the sort indexes sorts every row; a second core shares that work.
    db.execute(QStringLiteral("PRAGMA threads=2"));
    if (!readOnly) {
        // What an older catalogue lacks; one that cannot take it now (busy, a full disk) still
        // opens, its new rows stored without what it lacks until it can.
        Song::upgrade(db);
        // A build cut short leaves the sort indexes out: they are made again. A catalogue that
        // cannot take them still opens; its sorts are only slower.
        const Failure indexes = Song::addMissingSortIndexes(db);
        if (indexFailure)
            *indexFailure = indexes;
    }
    return table.open(db);
}

Failure countSongs(Database& db, qint64* count)
{
    Statement query;
    if (Failure f = query.prepare(db.handle(), QStringLiteral("SELECT count(*) FROM ") + Song::tableName))
        return f;
    Failure failure;
    *count = query.step(&failure) ? query.column(0).toLongLong() : 0;
    return failure;
}

Failure clearSongs(Database& db)
{
    // The songs and the records of their discs go together, or neither does.
    Transaction clear(db, Transaction::Kind::Immediate);
    if (clear.begun())
        return clear.begun();
    if (Failure f = db.execute(QStringLiteral("DELETE FROM ") + Song::tableName))
        return f;
    if (db.shape().discs) {
        if (Failure f = db.execute(QStringLiteral("DELETE FROM adodisc")))
            return f;
    }
    return clear.commit();
}

Failure deleteSongs(Database& db, const std::vector<qint64>& rowids)
{
    Statement del;
    if (Failure f = del.prepare(db.handle(), QStringLiteral("DELETE FROM ") + Song::tableName +
                                                 QStringLiteral(" WHERE rowid=?")))
        return f;
    Transaction remove(db, Transaction::Kind::Immediate);
    if (remove.begun())
        return remove.begun();
    for (const qint64 rowid : rowids) {
        del.reset();
        del.bindInt(1, rowid);
        Failure failure;
        del.step(&failure);
        if (failure)
            return failure;
    }
    return remove.commit();
}
