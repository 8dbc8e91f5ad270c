#include "store/rowstream.h"

#include "store/songtotals.h"
#include "store/transaction.h"

#include <sqlite3.h>

namespace {

// The row `stmt` stands on, as RowText.
void readRow(sqlite3_stmt* stmt, RowText& row)
{
    for (int i = 0; i < Song::FieldCount; ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        row.null[size_t(i)] = text == nullptr;
        row.field[size_t(i)] =
            text ? std::string_view(text, size_t(sqlite3_column_bytes(stmt, i))) : std::string_view();
    }
    const auto* name = static_cast<const char*>(sqlite3_column_blob(stmt, Song::FieldCount));
    row.fileNameNull = sqlite3_column_type(stmt, Song::FieldCount) == SQLITE_NULL;
    row.fileName = name ? std::string_view(name, size_t(sqlite3_column_bytes(stmt, Song::FieldCount)))
                        : std::string_view();
}

// The statements that yield `source`'s rows; for a result the program finds (the duplicates),
// the rows' ids in order and a statement that reads one row by its id.
Failure queriesFor(Database& db, const RecordSource& source, QStringList* statements,
                   std::vector<qint64>* rowids)
{
    const QString columns = Song::fieldNames().join(QLatin1Char(',')) + QLatin1Char(',') +
                            (db.shape().fileNames ? Song::fileNameField : QStringLiteral("NULL"));
    if (source.kind == RecordSource::Kind::Duplicates) {
        if (Failure f = Duplicates::find(db, source.sameDiscToo, rowids, {}, source.orderBy))
            return f;
        *statements << QStringLiteral("SELECT %1 FROM adosong WHERE rowid=?").arg(columns);
        return {};
    }
    if (!source.queries(columns, statements))
        return {FailureNumber::InvalidArgument,
                QStringLiteral("The record source names an unknown field: %1").arg(source.text())};
    return {};
}

} // namespace

Failure streamRows(const QString& catalogue, const RecordSource& source,
                   const std::function<bool(const RowText& row)>& take, bool* stopped)
{
    if (stopped)
        *stopped = false;
    Database db;
    if (Failure f = db.open(catalogue, true))
        return f;
    QStringList statements;
    std::vector<qint64> rowids; // the rows of a result the program finds, fetched one by one
    if (Failure f = queriesFor(db, source, &statements, &rowids))
        return f;
    // The rows come in the result's order, which visits the table's pages all over the file,
    // most of them many times: 64 MiB of them stay at hand, however large the catalogue.
    // (Mapping the file would be faster still, but would count all of it as the program's.)
    db.setCacheSize(64);
    // One read transaction: the parts of a result and their rows come from the same moment.
    Transaction read(db);
    if (read.begun())
        return read.begun();
    RowText row;
    const QVariantList parameters = source.parameters();
    for (const QString& sql : statements) {
        Statement query;
        if (Failure f = query.prepare(db.handle(), sql))
            return f;
        for (int i = 0; i < int(parameters.size()); ++i)
            query.bind(i + 1, parameters[i]);
        Failure failure;
        size_t next = 0;
        const auto step = [&] {
            if (source.kind != RecordSource::Kind::Duplicates)
                return query.step(&failure);
            // A row gone meanwhile is passed over.
            while (next < rowids.size()) {
                query.reset();
                query.bindInt(1, rowids[next++]);
                if (query.step(&failure) || failure)
                    return !failure;
            }
            return false;
        };
        while (step()) {
            readRow(query.get(), row);
            if (!take(row)) {
                if (stopped)
                    *stopped = true;
                return {};
            }
        }
        if (failure)
            return failure;
    }
    return {};
}
