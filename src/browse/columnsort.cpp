#include "browse/columnsort.h"

#include "store/schema.h"

namespace ColumnSort {

QStringList orderFor(int column)
{
    switch (column) {
    case Song::TitleColumn:
    case Song::PlaytimeColumn:
    case Song::MP3cdColumn:
    case Song::CategoryColumn:
        return {Song::fieldNames()[Song::gridColumnField[size_t(column)]], QStringLiteral("Artist")};
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
    return Song::columnOfField(Song::fieldIndex(source.orderBy.first()));
}

} // namespace ColumnSort
