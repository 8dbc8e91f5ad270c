#pragma once

#include "base/failure.h"

#include <QString>

#include <functional>

// A whole copy of the catalogue, kept before a command that destroys much with one answer
// (Clear Database, removing or updating a disc, deleting many rows), so that the command can
// be undone. Made with SQLite's online backup: the catalogue is only read meanwhile.
namespace CatalogueCopy {

// Where the copy of `catalogue` is kept: one file beside it, replaced by each new copy.
QString undoPathFor(const QString& catalogue);

// Called now and then with the pages copied and all of them; false stops the copy.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Copies `catalogue` into `copy`, which is replaced only once the new copy is whole on disk:
// a crash or a full disk meanwhile leaves the old one (and the catalogue) as they were.
Failure make(const QString& catalogue, const QString& copy, const Progress& progress = {});

// Puts the content of `copy` back into `catalogue`, in one transaction: a crash meanwhile
// leaves the catalogue as it was.
Failure restore(const QString& copy, const QString& catalogue, const Progress& progress = {});

// A number that changes with every write to the catalogue, by any program: the change
// counter in the file's header (with the size of a write-ahead log beside it, should another
// program have turned one on). 0 when the file cannot be read.
quint64 writeMark(const QString& catalogue);

} // namespace CatalogueCopy
