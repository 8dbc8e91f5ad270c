#pragma once

#include "store/database.h"
#include "store/recordsource.h"

// The search panel's statement: the rows whose chosen field holds a text anywhere.
namespace FieldSearch {

// The fields the panel offers, in the order of its list.
const QStringList& fields();
// The entry after them that makes the text a query (SongQuery).
inline const QString queryEntry = QStringLiteral("Query");

// The record source for a search of `text` in `field`. Only the offered fields are
// accepted; the text is never part of the statement, only its bound value, so % and _
// are the engine's wildcards and every other character is just itself. With the query entry,
// the text is a query; one that cannot be read says where (FailureKind::Entry).
Failure sourceFor(const QString& field, const QString& text, RecordSource* source);

} // namespace FieldSearch
