#include "store/recordsource.h"

#include "store/schema.h"

RecordSource RecordSource::defaultSource()
{
    RecordSource source;
    source.orderBy = {QStringLiteral("artist"), QStringLiteral("title")};
    return source;
}

RecordSource RecordSource::sorted(const QStringList& keys)
{
    RecordSource source;
    source.kind = Kind::Sorted;
    source.orderBy = keys;
    return source;
}

RecordSource RecordSource::search(const QString& field, const QString& text)
{
    RecordSource source;
    source.kind = Kind::Search;
    source.filterField = field;
    source.filterText = text;
    source.orderBy = {QStringLiteral("Artist")};
    return source;
}

RecordSource RecordSource::duplicates(bool sameDiscToo)
{
    RecordSource source;
    source.kind = Kind::Duplicates;
    source.sameDiscToo = sameDiscToo;
    return source;
}

QString RecordSource::text() const
{
    const QString order = orderBy.join(QLatin1Char(','));
    switch (kind) {
    case Kind::Sorted:
        return QStringLiteral("SELECT * FROM ADOSong ORDER BY ") + order;
    case Kind::Search:
        return QStringLiteral(" select * from adosong WHERE ") + filterField + QStringLiteral(" LIKE '%") +
               filterText + QStringLiteral("%'order by ") + order;
    case Kind::Duplicates:
        return sameDiscToo
                   ? QStringLiteral("SELECT * FROM adosong WHERE the same song is there more than once")
                   : QStringLiteral("SELECT * FROM adosong WHERE the same song is on several discs");
    case Kind::Default:
        break;
    }
    return QStringLiteral("select *from adosong order by ") + order;
}

bool RecordSource::queries(const QString& columns, QStringList* statements) const
{
    if (kind == Kind::Duplicates)
        return false;
    QString query = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + Song::tableName;
    // Reading the unique key's index in artist order would visit the table for every row
    // to test any other field; the filter field's own index and a sort of the matches are
    // far cheaper. A key written "+Artist" keeps its collation but leaves the index alone.
    QString keyPrefix;
    QString condition;
    if (!filterField.isEmpty()) {
        const int field = Song::fieldIndex(filterField);
        if (field < 0)
            return false;
        // LIKE without regard to case or accents, done by the program (TextFold).
        condition =
            QStringLiteral("folded_like('%' || ? || '%', ") + Song::fieldNames()[field] + QLatin1Char(')');
        if (field != Song::Artist && field != Song::Title)
            keyPrefix = QStringLiteral("+");
    }
    QStringList keys;
    for (const QString& name : orderBy) {
        const int field = Song::fieldIndex(name);
        if (field < 0)
            return false;
        keys << keyPrefix + Song::fieldNames()[field];
    }
    const QString order =
        keys.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + keys.join(QLatin1Char(','));
    auto where = [&](const QString& more) {
        const QString all = condition.isEmpty() ? more
                            : more.isEmpty()    ? condition
                                                : condition + " AND " + more;
        return all.isEmpty() ? query + order : query + QStringLiteral(" WHERE ") + all + order;
    };
    statements->clear();
    if (!orderBy.isEmpty() && Song::fieldIndex(orderBy.first()) == Song::Playtime) {
        // Each part in the play time index's own order: lengths, then no value, then empty.
        *statements << where(QStringLiteral("Playtime > ''")) << where(QStringLiteral("Playtime IS NULL"))
                    << where(QStringLiteral("Playtime = ''"));
    } else {
        *statements << where(QString());
    }
    return true;
}
