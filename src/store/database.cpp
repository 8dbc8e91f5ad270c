#include "store/database.h"

#include "store/textfold.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QUtf8StringView>

#include <unistd.h>

#include <optional>

#include <sqlite3.h>

namespace {
// The program keeps no memory statistics of SQLite's: counting takes a global lock on
// every allocation. This must come before SQLite's first use; later calls change nothing.
void configureSqlite()
{
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(configured);
}

// The pattern of the first argument of a folded match, compiled once for a statement and
// kept with it; nothing when the argument is null.
template <typename... Kind>
const TextFold::Pattern* patternOf(sqlite3_context* context, sqlite3_value* argument, Kind... kind)
{
    if (auto* kept = static_cast<TextFold::Pattern*>(sqlite3_get_auxdata(context, 0)))
        return kept;
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argument));
    if (!text)
        return nullptr;
    sqlite3_set_auxdata(
        context, 0,
        new TextFold::Pattern(std::string_view(text, size_t(sqlite3_value_bytes(argument))), kind...),
        [](void* compiled) { delete static_cast<TextFold::Pattern*>(compiled); });
    return static_cast<TextFold::Pattern*>(sqlite3_get_auxdata(context, 0));
}

// folded_has(text, value...) and folded_is(text, value...): whether `text` is anywhere in one
// of the values, or the whole of one, without regard to case or accents (TextFold); % and _
// are characters like any. A null value is none; the answer is never null.
template <TextFold::Pattern::Literal literal>
void foldedLiteral(sqlite3_context* context, int count, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const TextFold::Pattern* pattern = patternOf(context, args[0], literal);
    std::optional<TextFold::Pattern> once;
    if (!pattern) {
        // SQLite let the compiled pattern go at once: made again for this row.
        const auto* needle = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
        pattern = &once.emplace(std::string_view(needle, size_t(sqlite3_value_bytes(args[0]))), literal);
    }
    for (int i = 1; i < count; ++i) {
        const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(args[i]));
        if (value && pattern->matches(std::string_view(value, size_t(sqlite3_value_bytes(args[i]))))) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// play_seconds(text): a stored play time ("00:03:05", or "3:05" as typed) in seconds; null for
// none, or for a text that is no play time. The parts after the first are two digits below 60.
void playSeconds(sqlite3_context* context, int, sqlite3_value** args)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const int size = sqlite3_value_bytes(args[0]);
    qint64 total = 0, part = 0;
    int parts = 1, digits = 0;
    bool valid = text && size > 0;
    for (int i = 0; valid && i <= size; ++i) {
        const char c = i < size ? text[i] : ':';
        if (c >= '0' && c <= '9' && digits < 9) {
            part = part * 10 + (c - '0');
            ++digits;
            continue;
        }
        valid = c == ':' && digits > 0 && (parts == 1 || (digits == 2 && part < 60));
        total = total * 60 + part;
        part = digits = 0;
        valid = valid && (i == size || ++parts <= 3);
    }
    if (valid)
        sqlite3_result_int64(context, total);
    else
        sqlite3_result_null(context);
}

// folded_like(pattern, text): LIKE without regard to case or accents (TextFold). The
// pattern is compiled once for a statement and kept with it.
void foldedLike(sqlite3_context* context, int, sqlite3_value** args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    auto* pattern = static_cast<TextFold::Pattern*>(sqlite3_get_auxdata(context, 0));
    if (!pattern) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
        sqlite3_set_auxdata(
            context, 0, new TextFold::Pattern(std::string_view(text, size_t(sqlite3_value_bytes(args[0])))),
            [](void* compiled) { delete static_cast<TextFold::Pattern*>(compiled); });
        // SQLite may have let it go at once: then it is made again for this row.
        pattern = static_cast<TextFold::Pattern*>(sqlite3_get_auxdata(context, 0));
        if (!pattern) {
            const TextFold::Pattern once(std::string_view(text, size_t(sqlite3_value_bytes(args[0]))));
            const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(args[1]));
            sqlite3_result_int(context,
                               once.matches(std::string_view(value, size_t(sqlite3_value_bytes(args[1])))));
            return;
        }
    }
    const auto* value = reinterpret_cast<const char*>(sqlite3_value_text(args[1]));
    sqlite3_result_int(context,
                       pattern->matches(std::string_view(value, size_t(sqlite3_value_bytes(args[1])))));
}
} // namespace

bool catalogueWritable(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    return (file.permissions() & QFileDevice::WriteOwner) &&
           (folder.permissions() & QFileDevice::WriteOwner) &&
           ::access(QFile::encodeName(path).constData(), W_OK) == 0 &&
           ::access(QFile::encodeName(folder.filePath()).constData(), W_OK) == 0;
}

bool isDamage(const Failure& failure)
{
    const int primary = failure.number & 0xff;
    return failure.number != FailureNumber::DuplicateKey &&
           (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB);
}

bool isBusy(const Failure& failure)
{
    const int primary = failure.number & 0xff;
    return failure.number != FailureNumber::DuplicateKey &&
           (primary == SQLITE_BUSY || primary == SQLITE_LOCKED);
}

bool isWholeCatalogueFailure(const Failure& failure)
{
    if (failure.number == FailureNumber::DuplicateKey)
        return false;
    switch (failure.number & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return true;
    default:
        return false;
    }
}

bool isDiskFull(const Failure& failure)
{
    return failure.number != FailureNumber::DuplicateKey && (failure.number & 0xff) == SQLITE_FULL;
}

Failure failureFromSqlite(sqlite3* db, int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return {};
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY)
        return {FailureNumber::DuplicateKey, text};
    return {extended, text};
}

Statement::Statement(Statement&& other) noexcept : m_stmt(other.m_stmt), m_db(other.m_db)
{
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        finalize();
        m_stmt = other.m_stmt;
        m_db = other.m_db;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    finalize();
}

Failure Statement::prepare(sqlite3* db, const QString& sql, Use use)
{
    finalize();
    m_db = db;
    if (!db)
        return {FailureNumber::InvalidArgument, QStringLiteral("The catalogue is not open.")};
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, text.constData(), int(text.size()),
                                      use == Use::Kept ? SQLITE_PREPARE_PERSISTENT : 0, &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        const Failure f = failureFromSqlite(db, rc);
        finalize();
        return f;
    }
    return {};
}

void Statement::reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

void Statement::finalize()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

// A value is stored as nothing, a whole number, or text.
void Statement::bind(int index, const QVariant& value)
{
    const int type = value.typeId();
    if (value.isNull() || !value.isValid())
        bindNull(index);
    else if (type == QMetaType::Bool || type == QMetaType::Int || type == QMetaType::LongLong)
        bindInt(index, value.toLongLong());
    else
        bindText(index, value.toString().toUtf8().toStdString());
}

void Statement::bindText(int index, std::string_view utf8)
{
    sqlite3_bind_text(m_stmt, index, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT);
}

void Statement::bindStaticText(int index, std::string_view utf8)
{
    sqlite3_bind_text(m_stmt, index, utf8.data(), int(utf8.size()), SQLITE_STATIC);
}

void Statement::rewind()
{
    if (m_stmt)
        sqlite3_reset(m_stmt);
}

void Statement::bindInt(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

void Statement::bindFileName(int index, const QByteArray& bytes)
{
    if (bytes.isNull())
        bindNull(index);
    else if (QUtf8StringView(bytes).isValidUtf8())
        sqlite3_bind_text(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
}

void Statement::bindStaticFileName(int index, std::string_view bytes)
{
    if (QUtf8StringView(bytes.data(), qsizetype(bytes.size())).isValidUtf8())
        sqlite3_bind_text(m_stmt, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
    else
        sqlite3_bind_blob(m_stmt, index, bytes.data(), int(bytes.size()), SQLITE_STATIC);
}

bool Statement::step(Failure* failure)
{
    if (!m_stmt) {
        if (failure)
            *failure = {FailureNumber::InvalidArgument, QStringLiteral("The statement is not prepared.")};
        return false;
    }
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (failure)
        *failure = failureFromSqlite(m_db, rc);
    return false;
}

QVariant Statement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, index));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, index)));
    }
    }
}

QByteArray Statement::columnBytes(int index) const
{
    if (sqlite3_column_type(m_stmt, index) == SQLITE_NULL)
        return QByteArray();
    const void* bytes = sqlite3_column_blob(m_stmt, index);
    const int size = sqlite3_column_bytes(m_stmt, index);
    return bytes ? QByteArray(static_cast<const char*>(bytes), size) : QByteArray("");
}

Database::~Database()
{
    close();
}

Failure Database::open(const QString& path, bool readOnly)
{
    close();
    // SQLite would make an empty file of a missing one; the catalogue must exist already.
    if (!QFileInfo(path).isFile())
        return {SQLITE_CANTOPEN, QStringLiteral("Could not find file '%1'.").arg(path)};
    return openWith(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
}

Failure Database::create(const QString& path)
{
    close();
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return {SQLITE_CANTOPEN, QStringLiteral("'%1' already exists; it is left as it is.").arg(path)};
    return openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

Failure Database::openWith(const QString& path, int flags)
{
    configureSqlite();
    const QByteArray name = path.toUtf8();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        Failure f = failureFromSqlite(db, rc);
        f.description += QStringLiteral(" ('%1')").arg(path);
        sqlite3_close_v2(db);
        return f;
    }
    m_db = db;
    m_path = path;
    sqlite3_busy_timeout(m_db, defaultBusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    // The program's own search; it lives on the connection, never in the file, which every
    // other SQLite program can still read and write.
    const int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(m_db, "folded_like", 2, pure, nullptr, foldedLike, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "folded_has", -1, pure, nullptr,
                               foldedLiteral<TextFold::Pattern::Literal::Anywhere>, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(m_db, "folded_is", -1, pure, nullptr,
                               foldedLiteral<TextFold::Pattern::Literal::Whole>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "play_seconds", 1, pure, nullptr, playSeconds, nullptr, nullptr,
                               nullptr);
    // Reading the schema tells a database from any other file.
    if (Failure f = execute(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        f.description += QStringLiteral(" ('%1')").arg(path);
        close();
        return f;
    }
    learnShape();
    return {};
}

void Database::learnShape()
{
    m_shape = CatalogueShape();
    const auto columnsOf = [this](const char* table) {
        QStringList names;
        Statement columns;
        if (!columns
                 .prepare(
                     m_db,
                     QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(QLatin1String(table)))
                 .failed()) {
            while (columns.step())
                names << columns.column(0).toString().toLower();
        }
        return names;
    };
    Statement version;
    if (!version.prepare(m_db, QStringLiteral("PRAGMA user_version")).failed() && version.step())
        m_shape.version = version.column(0).toInt();
    m_shape.fileNames = columnsOf("adosong").contains(QLatin1String("filename"));
    const QStringList discs = columnsOf("adodisc");
    m_shape.discs = !discs.isEmpty();
    m_shape.discsDated = discs.contains(QLatin1String("built"));
    m_shape.discNotes = discs.contains(QLatin1String("location")) &&
                        discs.contains(QLatin1String("lentto")) && discs.contains(QLatin1String("lenton")) &&
                        discs.contains(QLatin1String("note"));
}

void Database::setCacheSize(int mebibytes)
{
    execute(QStringLiteral("PRAGMA cache_size=-%1").arg(mebibytes * 1024));
}

void Database::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

Failure Database::execute(const QString& sql)
{
    if (!m_db)
        return {FailureNumber::InvalidArgument, QStringLiteral("The catalogue is not open.")};
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_exec(m_db, text.constData(), nullptr, nullptr, nullptr);
    return failureFromSqlite(m_db, rc);
}

void Database::setBusyTimeout(int milliseconds)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

Failure checkIntegrity(Database& db, CheckDepth depth, const std::atomic<bool>* stop)
{
    if (stop) {
        // Asked every few thousand steps of the engine: a closing window waits no longer.
        sqlite3_progress_handler(
            db.handle(), 10000,
            [](void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; },
            const_cast<std::atomic<bool>*>(stop));
    }
    Statement check;
    if (Failure f =
            check.prepare(db.handle(), depth == CheckDepth::Quick ? QStringLiteral("PRAGMA quick_check")
                                                                  : QStringLiteral("PRAGMA integrity_check")))
        return f;
    Failure failure;
    if (!check.step(&failure))
        return failure;
    const QString answer = check.column(0).toString();
    sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr);
    if (answer == QLatin1String("ok"))
        return {};
    return {SQLITE_CORRUPT, QStringLiteral("database disk image is malformed: %1").arg(answer)};
}

bool Database::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}
