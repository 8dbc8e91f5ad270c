#include "browse/fieldsearch.h"

namespace FieldSearch {

const QStringList& fields()
{
    static const QStringList names = {QStringLiteral("Artist"), QStringLiteral("Title"),
                                      QStringLiteral("Category")};
    return names;
}

Failure sourceFor(const QString& field, const QString& text, RecordSource* source)
{
    if (!fields().contains(field))
        return {FailureNumber::InvalidArgument,
                QStringLiteral("'%1' cannot be searched: choose Artist, Title or Category.").arg(field),
                FailureKind::Entry};
    *source = RecordSource::search(field, text);
    return {};
}

} // namespace FieldSearch
