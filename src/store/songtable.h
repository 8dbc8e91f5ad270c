#pragma once

#include "store/database.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QElapsedTimer>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The table record set of the engine path: rows are begun, their fields set,
// and stored one at a time. With a batch interval, stored rows are committed together
// at least that often, so a long run of additions stays fast yet loses at most the
// last interval on a crash.
class SongTable
{
public:
    SongTable() = default;
    SongTable(const SongTable&) = delete;
    SongTable& operator=(const SongTable&) = delete;
    ~SongTable();

    Failure open(Database& db);
    void close();
    bool isOpen() const { return bool(m_insert); }

    void addNew();
    void setText(int field, std::string_view utf8);
    // Without a copy: `utf8` must stay as it is until update() has run.
    void setTextView(int field, std::string_view utf8);
    void setInteger(int field, qint64 value);
    // The song's own file name, as the file system's bytes, where the row does not rebuild
    // it. Without a copy, as setTextView(). Catalogues without the field leave it out.
    void setFileNameView(std::string_view bytes);
    bool storesFileNames() const { return m_storesFileNames; }
    // Stores the row. A failure is this row's; a batch that then fails to commit is told by
    // takeLoss(), with this row among the rows lost.
    Failure update();

    // 0 commits every row on its own; otherwise rows are committed in batches.
    void setBatchInterval(int milliseconds) { m_batchMs = milliseconds; }
    // Commits the open batch. When the catalogue cannot take it (a full disk), the batch is
    // rolled back and counted as lost.
    Failure flush();
    // Commits the open batch when it is older than the interval.
    Failure commitIfDue();

    // A long run of additions into an empty table: the sort indexes are put aside and
    // made afresh by endBulk() from all rows at once, which takes about half the time of
    // keeping them up to date row by row. Into a table that holds rows, nothing changes.
    // Should the run never end (a crash), opening the catalogue makes them again.
    void beginBulk();
    // `pulse` is called about ten times a second while the indexes are made.
    Failure endBulk(const std::function<void()>& pulse = {});
    bool inBulk() const { return m_bulk; }

    // Rows that update() had stored but the catalogue then threw away with their batch.
    struct Loss
    {
        qint64 rows = 0;
        std::string first; // the first of them: its folder, artist and title
        Failure failure;   // why
    };
    // What was lost since the last call; taking it clears it.
    Loss takeLoss();
    bool hasLoss() const { return m_loss.rows > 0; }

private:
    struct Value
    {
        enum Kind
        {
            Null,
            Integer,
            Text
        } kind = Null;
        qint64 integer = 0;
        std::string text;
        std::string_view view;
    };

    Database* m_db = nullptr;
    Statement m_insert;
    std::array<Value, Song::FieldCount> m_values;
    bool m_storesFileNames = false;
    bool m_hasFileName = false;
    std::string_view m_fileName;
    int m_batchMs = 0;
    QElapsedTimer m_batchClock;
    unsigned m_sinceClock = 0;
    qint64 m_uncommitted = 0;           // rows stored in the open batch
    std::optional<Transaction> m_batch; // the open batch, when the table began it
    bool m_bulk = false;                // the sort indexes are put aside
    std::string m_batchFirst;           // the first of them
    Loss m_loss;
    void batchThrownAway(const Failure& why);
};

// The engine connection: the catalogue file, then the table record set on adosong. A
// catalogue made by an earlier Trelmo is brought to this one's version (Song::upgrade) and
// gets the sort indexes it lacks (when it can be written); when the indexes cannot be made
// (a full disk), it opens all the same and `indexFailure` says why.
Failure openEngine(Database& db, SongTable& table, const QString& path, bool readOnly = false,
                   Failure* indexFailure = nullptr);

// "Clear Database" on a connection of its own: how many songs there are, and removing
// every one of them with the records of their discs.
Failure countSongs(Database& db, qint64* count);
Failure clearSongs(Database& db);
// Removes the songs `rowids`, all or none.
Failure deleteSongs(Database& db, const std::vector<qint64>& rowids);
