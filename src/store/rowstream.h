#pragma once

#include "store/database.h"
#include "store/recordsource.h"
#include "store/schema.h"

#include <array>
#include <functional>
#include <string_view>

// One row of the catalogue as its stored text, by stored field position. A field without
// a value is null; the views hold until the next row.
struct RowText
{
    std::array<std::string_view, Song::FieldCount> field;
    std::array<bool, Song::FieldCount> null{};
    // The song's own file name, as the file system's bytes; null where the row rebuilds it.
    std::string_view fileName;
    bool fileNameNull = true;
};

// Reads every row of `source`'s result in its order straight from the catalogue file, one
// at a time, on a read-only connection of its own: for taking a million rows out of the
// program without holding them. `take` answers false to stop; `stopped` says it did.
Failure streamRows(const QString& catalogue, const RecordSource& source,
                   const std::function<bool(const RowText& row)>& take, bool* stopped = nullptr);
