#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include "base/failure.h"

// What the grid shows: the whole table or the rows whose field holds a text, in an order.
// It is kept as a value and turned into a statement with the search text as a bound
// parameter; text() gives the statement as the user would read it.
struct RecordSource
{
    // Which of the program's statements this is; only the spelling of text() differs.
    enum class Kind
    {
        Default,
        Sorted,
        Search,
        // The songs whose artist and title are on more than one disc (with `sameDiscToo`, on
        // one disc more than once too), compared without regard to case, accents and blanks
        // at either end; their rows together, by artist, title and disc. Not a statement:
        // the program finds them (Duplicates::find).
        Duplicates,
        // The rows a query finds (SongQuery), `filterText` being the query, by artist.
        Query
    };

    Kind kind = Kind::Default;
    QString filterField; // empty: every row
    QString filterText;  // matched anywhere in the field; % and _ act as wildcards
    QStringList orderBy; // field names, first key first
    bool sameDiscToo = false;

    // The whole catalogue by artist and title.
    static RecordSource defaultSource();
    // The whole catalogue in the order of `keys`.
    static RecordSource sorted(const QStringList& keys);
    // The rows whose `field` holds `text` anywhere, by artist.
    static RecordSource search(const QString& field, const QString& text);
    static RecordSource duplicates(bool sameDiscToo);
    // The rows the query `text` finds (SongQuery), by artist and title.
    static RecordSource query(const QString& text);

    QString text() const;

    // The statements that yield the rowids of the result in order, one after the other,
    // and whether they are valid (never for Duplicates) (every field comes from the table's own list). The
    // search text, when there is one, is each statement's only parameter. Songs without a length come after
    // those with one when the order is by play time.
    bool rowidQueries(QStringList* statements) const { return queries(QStringLiteral("rowid"), statements); }
    // The same statements yielding `columns` (a select list) instead of the rowid.
    bool queries(const QString& columns, QStringList* statements) const;
    // The condition the rows shown meet (empty for every row), with "?N" for its parameters,
    // and the parameters in their order. Fails for an unknown field or a query that cannot be
    // read (the failure says where).
    Failure condition(QString* sql, QVariantList* parameters) const;
    // The parameters of the statements above.
    QVariantList parameters() const;
    // The index that holds every column a query reads, or none.
    QString queryIndex() const;

    bool operator==(const RecordSource&) const = default;
};
