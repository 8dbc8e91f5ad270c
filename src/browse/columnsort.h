#pragma once

#include "store/recordsource.h"

// A click on a column head sorts the whole catalogue by that column, ascending, with the
// artist as the tie-break. Columns whose own order means little (ONcd, FullPath) and
// Artist itself give the default order.
namespace ColumnSort {

// The ORDER BY keys for a grid column (any other index gives the default keys).
QStringList orderFor(int column);

// The record source a click on that column head makes.
RecordSource sourceFor(int column);

// The grid column whose field leads the order of `source`, for the head's sort indicator;
// -1 when no column shows it.
int indicatorColumn(const RecordSource& source);

} // namespace ColumnSort
