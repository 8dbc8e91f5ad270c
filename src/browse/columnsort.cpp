#include "browse/columnsort.h"

#include "store/schema.h"

namespace ColumnSort {

QStringList orderFor(int column)
{
    switch (column) {
    case 1:
        return {QStringLiteral("Title"), QStringLiteral("Artist")};
    case 2:
        return {QStringLiteral("Playtime"), QStringLiteral("Artist")};
    case 3:
        return {QStringLiteral("MP3cd"), QStringLiteral("Artist")};
    case 5:
        return {QStringLiteral("Category"), QStringLiteral("Artist")};
    default:
        return {QStringLiteral("Artist"), QStringLiteral("Title")};
    }
}

RecordSource sourceFor(int column)
{
    return RecordSource::sorted(orderFor(column));
}

int indicatorColumn(const RecordSource& source)
{
    if (source.orderBy.isEmpty())
        return -1;
    const int field = Song::fieldIndex(source.orderBy.first());
    for (int column = 0; column < Song::FieldCount; ++column) {
        if (Song::gridColumnField[size_t(column)] == field)
            return column;
    }
    return -1;
}

} // namespace ColumnSort
