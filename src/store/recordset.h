#pragma once

#include "store/database.h"
#include "store/recordsource.h"
#include "store/schema.h"

#include <QMetaType>
#include <QObject>
#include <QVariant>

#include <array>
#include <unordered_map>
#include <vector>

// The rowids of `source`'s result over `db`, in order, appended to `rowids`.
Failure selectRowids(Database& db, const RecordSource& source, std::vector<qint64>* rowids);

// Why a row moved or changed, as the record set's events report it.
enum class EventReason
{
    Move,
    MoveFirst,
    MoveLast,
    MoveNext,
    MovePrevious,
    Delete,
    AddNew,
    Update,
    Requery
};

// The record set behind the data control: the result of the record source over its own
// connection to the catalogue. Only the rowids of the result are held, in order, so the
// count is known at once even for a million rows; cells are fetched by rowid when asked
// for and kept in a small cache.
class RecordSet : public QObject
{
    Q_OBJECT
public:
    using Row = std::array<QVariant, Song::FieldCount>;

    explicit RecordSet(QObject* parent = nullptr);
    ~RecordSet() override;

    // The catalogue file the record set reads.
    void setCatalogue(const QString& path, bool readOnly = false);
    QString catalogue() const { return m_path; }
    void setRecordSource(const RecordSource& source) { m_source = source; }
    // How long a read waits for a writer's lock before the rows count as not readable.
    void setBusyTimeout(int milliseconds);
    // A page cache of `mebibytes` for a reader that visits every row (a listing): its rows lie
    // all over the file, and the small cache of a grid that shows a screenful would read most
    // pages again and again.
    void setCacheSize(int mebibytes) { m_cacheMebibytes = mebibytes; }
    const RecordSource& recordSource() const { return m_source; }

    // Runs the record source again; the first row becomes current.
    Failure refresh();
    // The same with the result read elsewhere (on another thread's connection): `rowids`
    // are the record source's rows, in order.
    Failure adoptRows(std::vector<qint64> rowids);
    // The same with `source` made the record source.
    Failure adoptRows(const RecordSource& source, std::vector<qint64> rowids)
    {
        m_source = source;
        return adoptRows(std::move(rowids));
    }
    // Makes `source` the record source and runs it. When it fails, the record source
    // that was in force stays, and so do the rows shown.
    Failure requery(const RecordSource& source);
    bool isActive() const { return m_active; }
    // Forgets the cells read so far, so that rows changed by another connection are read
    // afresh; the rows and the current row stay.
    void forgetCells()
    {
        m_cache.clear();
        emit cellsChanged();
    }
    void close();

    qint64 recordCount() const { return qint64(m_rowids.size()); }
    // 1-based position of the current row; 0 when there is none.
    qint64 absolutePosition() const { return m_current >= 0 ? m_current + 1 : 0; }
    qint64 currentIndex() const { return m_current; }
    bool isEOF() const { return m_current >= recordCount() || m_rowids.empty(); }

    Failure moveFirst();
    Failure moveLast();
    Failure moveNext();
    Failure movePrevious();
    Failure moveTo(qint64 index);

    // Removes the current row from the table at once. The row that takes its place becomes
    // current (none when it was the last), and the next moveNext() stays on it.
    Failure deleteCurrent();
    // Removes the rows at `indexes` of the result from the table, all or none. The row that
    // takes the first one's place becomes current.
    Failure deleteRows(std::vector<qint64> indexes);
    // The rows `rowids` (removed by another connection) leave the result; the row that
    // takes the first one's place becomes current.
    void forgetRows(const std::vector<qint64>& rowids);
    // The rows of the result at `indexes`, by their identity in the table.
    std::vector<qint64> rowidsAt(const std::vector<qint64>& indexes) const;
    // Stores one field of a row of the result. The first change of a row's artist or title
    // keeps the file name they made, so the row still finds its file.
    Failure updateField(qint64 index, int field, const QVariant& value);
    // Stores a new row and appends it to the result.
    Failure addNew(const Row& values);

    // A cell of the result; nothing when its row cannot be read just now (see readFailed).
    QVariant value(qint64 index, int field);
    // The song's own file name as the file system's bytes; null where the row rebuilds it
    // ("Artist-Title.mp3") or cannot be read.
    QByteArray fileName(qint64 index);
    // Rows could not be read since the last row that could: nothing of them is kept, and
    // until a read succeeds again, reads try once without waiting for another program.
    bool isReadFailing() const { return m_readFailing; }
    // The row's identity in the table; 0 when there is no such row.
    qint64 rowidAt(qint64 index) const
    {
        return index >= 0 && index < recordCount() ? m_rowids[size_t(index)] : 0;
    }

    // The data control's error event, for a write the user made through the grid that the
    // catalogue refused. The record set's own calls answer their failures instead.
    void raiseError(const Failure& failure) { emit error(failure.number, failure.description); }

signals:
    void error(int number, const QString& description);
    // Rows could not be read (another program holds the catalogue, or it is damaged); raised
    // once until a read succeeds again.
    void readFailed(int number, const QString& description);
    void moveComplete(EventReason reason);
    void willChangeRecord(EventReason reason);
    void aboutToReset();
    void resetDone();
    void rowAboutToBeRemoved(qint64 index);
    void rowRemoved(qint64 index);
    void rowAboutToBeAppended(qint64 index);
    void rowAppended(qint64 index);
    void rowChanged(qint64 index);
    // Cells of any row may have changed (another connection wrote them).
    void cellsChanged();

private:
    Failure ensureOpen();
    // `indexes` sorted, once each, only those of rows of the result.
    std::vector<qint64> validIndexes(std::vector<qint64> indexes) const;
    Failure moveWith(qint64 index, EventReason reason);
    struct Cached
    {
        Row row;
        QByteArray fileName;
    };
    const Cached* fetch(qint64 index);

    QString m_path;
    bool m_readOnly = false;
    int m_busyTimeout = Database::defaultBusyTimeoutMs;
    int m_cacheMebibytes = 0; // 0: SQLite's own small cache
    RecordSource m_source = RecordSource::defaultSource();
    Database m_db;
    Statement m_fetch;
    bool m_active = false;
    std::vector<qint64> m_rowids;
    qint64 m_current = -1;
    bool m_onDeletedRow = false; // the current row took the place of a deleted one
    bool m_readFailing = false;
    bool m_hasFileName = false; // the catalogue keeps songs' own file names
    std::unordered_map<qint64, Cached> m_cache;
};
Q_DECLARE_METATYPE(EventReason)
