#include "browse/fieldsearch.h"

#include "store/songquery.h"

namespace FieldSearch {

const QStringList& fields()
{
    static const QStringList names = {QStringLiteral("Artist"), QStringLiteral("Title"),
                                      QStringLiteral("Category")};
    return names;
}

Failure sourceFor(const QString& field, const QString& text, RecordSource* source)
{
    if (field == queryEntry) {
        SongQuery::Translation translation;
        if (Failure f = SongQuery::translate(text, &translation)) {
            f.kind = FailureKind::Entry;
            return f;
        }
        *source = RecordSource::query(text);
        return {};
    }
    if (!fields().contains(field))
        return {FailureNumber::InvalidArgument,
                QStringLiteral("'%1' cannot be searched: choose Artist, Title or Category.").arg(field),
                FailureKind::Entry};
    *source = RecordSource::search(field, text);
    return {};
}

} // namespace FieldSearch
