#pragma once

#include "base/failure.h"

#include <QString>
#include <QVariant>

#include <atomic>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
class Database;

// Whether a catalogue file may be written: its own write bit (honoured even for the
// superuser), its folder's (the journal goes there), and the medium's.
bool catalogueWritable(const QString& path);

// A failure that says the catalogue file itself is damaged.
bool isDamage(const Failure& failure);

// A failure that says another program is writing to the catalogue just now.
bool isBusy(const Failure& failure);

// A failure of the catalogue as a whole rather than of one row (busy, read-only, an I/O
// error, damage, a full disk, a file gone): going on would only repeat it row after row.
bool isWholeCatalogueFailure(const Failure& failure);

// A failure that says the disk holding the catalogue is full.
bool isDiskFull(const Failure& failure);

// How deep a damage check reads: every page and row (quick_check, 0.4 s for a million
// rows), or also whether every row is in every index (integrity_check, some 17 s).
enum class CheckDepth
{
    Quick,
    Full
};

// Reads the whole catalogue file once for damage through `db`; a damaged file answers a
// failure that isDamage() knows. Once `stop` is set the check ends early, answering a
// failure that is no damage.
Failure checkIntegrity(Database& db, CheckDepth depth = CheckDepth::Quick,
                       const std::atomic<bool>* stop = nullptr);

// A failure built from SQLite's answer on `db`: a unique-key violation becomes 3022,
// everything else keeps SQLite's extended result code and message.
Failure failureFromSqlite(sqlite3* db, int rc);

// One prepared statement, finalised when it goes.
class Statement
{
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    ~Statement();

    // How long the statement is kept: for a run of rows (SQLite then keeps it apart from
    // its cache of short-lived ones), or for a few steps.
    enum class Use
    {
        Once,
        Kept
    };
    Failure prepare(sqlite3* db, const QString& sql, Use use = Use::Once);
    sqlite3_stmt* get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }
    void reset();
    void finalize();

    void bind(int index, const QVariant& value);
    void bindText(int index, std::string_view utf8);
    // Binds without a copy: `utf8` must stay unchanged until the statement is reset.
    void bindStaticText(int index, std::string_view utf8);
    // Ready to run again, keeping the bound values.
    void rewind();
    void bindInt(int index, qint64 value);
    void bindNull(int index);
    // A file's name as the file system's bytes: as text when they are UTF-8, else as a blob,
    // so the exact bytes come back; a null array binds null.
    void bindFileName(int index, const QByteArray& bytes);
    // The same without a copy, as bindStaticText().
    void bindStaticFileName(int index, std::string_view bytes);

    // Steps once: true while a row is there. A failure is kept in `failure`.
    bool step(Failure* failure = nullptr);
    QVariant column(int index) const;
    // A column's bytes as stored (text or blob); a null array for null.
    QByteArray columnBytes(int index) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
};

// What a catalogue file has, learnt once when it is opened: a catalogue made by an older
// Trelmo, or changed with the sqlite3 shell, may lack what came later (Song::upgrade()).
struct CatalogueShape
{
    int version = 0;         // the schema version it was brought to (PRAGMA user_version)
    bool fileNames = false;  // songs keep their file's own name (adosong.FileName)
    bool discs = false;      // the discs built from are remembered (the table adodisc)
    bool discsDated = false; // with when each was built (adodisc.Built)
    bool discNotes = false;  // and the user's notes of each (adodisc.Location, LentTo, LentOn, Note)
};

// One connection to a catalogue file. The file is never created here, but by create().
class Database
{
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    // Opens an existing file shared for reading and writing (or only for reading), and
    // checks that it is a database.
    Failure open(const QString& path, bool readOnly = false);
    // Makes a new, empty database file at `path` and opens it; refuses a file that is there.
    Failure create(const QString& path);
    void close();
    // What the file has, as learnt when it was opened (or learnt again).
    const CatalogueShape& shape() const { return m_shape; }
    void learnShape();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }
    QString path() const { return m_path; }

    Failure execute(const QString& sql);
    bool inTransaction() const;

    // How long a statement waits for another program's lock before it answers "busy".
    static constexpr int defaultBusyTimeoutMs = 3000;
    void setBusyTimeout(int milliseconds);

    // A page cache of `mebibytes` for long work (a build, an export): the working pages of
    // the indexes stay in memory.
    void setCacheSize(int mebibytes);

private:
    Failure openWith(const QString& path, int flags);

    sqlite3* m_db = nullptr;
    QString m_path;
    CatalogueShape m_shape;
};
