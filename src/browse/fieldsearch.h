#pragma once

#include "store/database.h"
#include "store/recordsource.h"

// The search panel's statement: the rows whose chosen field holds a text anywhere.
namespace FieldSearch {

// The fields the panel offers, in the order of its list.
const QStringList& fields();

// The record source for a search of `text` in `field`. Only the offered fields are
// accepted; the text is never part of the statement, only its bound value, so % and _
// are the engine's wildcards and every other character is just itself.
Failure sourceFor(const QString& field, const QString& text, RecordSource* source);

} // namespace FieldSearch
