#pragma once

#include <QString>
#include <QStringList>

// What the grid shows: the whole table or the rows whose field holds a text, in an order.
// It is kept as a value and turned into a statement with the search text as a bound
// parameter; text() gives the statement as the user would read it.
struct RecordSource
{
    QString filterField; // empty: every row
    QString filterText;  // matched anywhere in the field; % and _ act as wildcards
    QStringList orderBy; // field names, first key first

    static RecordSource defaultSource();

    QString text() const;

    // The statement that yields the rowids of the result in order, and whether it is
    // valid (every field comes from the table's own list).
    bool rowidQuery(QString* sql, QString* parameter) const;

    bool operator==(const RecordSource&) const = default;
};
