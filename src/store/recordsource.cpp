#include "store/recordsource.h"

#include "store/schema.h"
#include "store/songquery.h"

#include <algorithm>

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

RecordSource RecordSource::query(const QString& text)
{
    RecordSource source;
    source.kind = Kind::Query;
    source.filterText = text;
    source.orderBy = {QStringLiteral("Artist"), QStringLiteral("Title")};
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
    case Kind::Query:
        return QStringLiteral("SELECT * FROM adosong WHERE the query finds it: ") + filterText +
               QStringLiteral(" ORDER BY ") + order;
    case Kind::Duplicates:
        return sameDiscToo
                   ? QStringLiteral("SELECT * FROM adosong WHERE the same song is there more than once")
                   : QStringLiteral("SELECT * FROM adosong WHERE the same song is on several discs");
    case Kind::Default:
        break;
    }
    return QStringLiteral("select *from adosong order by ") + order;
}

Failure RecordSource::condition(QString* sql, QVariantList* parameters) const
{
    sql->clear();
    parameters->clear();
    if (kind == Kind::Query) {
        SongQuery::Translation translation;
        if (Failure f = SongQuery::translate(filterText, &translation))
            return f;
        *sql = translation.condition;
        *parameters = translation.parameters;
        return {};
    }
    if (filterField.isEmpty())
        return {};
    const int field = Song::fieldIndex(filterField);
    if (field < 0)
        return {FailureNumber::InvalidArgument,
                QStringLiteral("The record source names an unknown field: %1").arg(text())};
    // LIKE without regard to case or accents, done by the program (TextFold).
    *sql = QStringLiteral("folded_like('%' || ?1 || '%', ") + Song::fieldNames()[field] + QLatin1Char(')');
    *parameters = {filterText};
    return {};
}

QString RecordSource::queryIndex() const
{
    SongQuery::Translation translation;
    if (kind != Kind::Query || SongQuery::translate(filterText, &translation))
        return {};
    for (const auto& [index, columns] : Song::coveringIndexes()) {
        if (std::all_of(translation.columns.begin(), translation.columns.end(),
                        [&columns](const QString& c) { return columns.contains(c, Qt::CaseInsensitive); }))
            return index;
    }
    return {};
}

QVariantList RecordSource::parameters() const
{
    QString sql;
    QVariantList values;
    condition(&sql, &values);
    return values;
}

bool RecordSource::queries(const QString& columns, QStringList* statements) const
{
    if (kind == Kind::Duplicates)
        return false;
    QString query = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + Song::tableName;
    QString condition;
    QVariantList parameters;
    if (this->condition(&condition, &parameters))
        return false;
    // Reading the unique key's index in artist order would visit the table for every row
    // to test any other field; the filter's own index (or none) and a sort of the matches are
    // far cheaper. A key written "+Artist" keeps its collation but leaves the index alone.
    const int field = Song::fieldIndex(filterField);
    const QString coveredBy = kind == Kind::Query ? queryIndex() : QString();
    const QString keyPrefix =
        (kind == Kind::Query && coveredBy != QLatin1String("adosong_artist_title")) ||
                (!filterField.isEmpty() && field != Song::Artist && field != Song::Title)
            ? QStringLiteral("+")
            : QString();
    // A query that reads only what one index holds (the disc names, say) is answered from that
    // index, and only the rows it finds are read and sorted.
    if (!coveredBy.isEmpty() && coveredBy != QLatin1String("adosong_artist_title"))
        condition = QStringLiteral("rowid IN (SELECT rowid FROM adosong WHERE %1)").arg(condition);
    QStringList keys;
    for (const QString& name : orderBy) {
        const int key = Song::fieldIndex(name);
        if (key < 0)
            return false;
        keys << keyPrefix + Song::fieldNames()[key];
    }
    const QString order =
        keys.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + keys.join(QLatin1Char(','));
    auto where = [&](const QString& more) {
        const QString all = condition.isEmpty() ? more
                            : more.isEmpty()    ? condition
                                             : QLatin1Char('(') + condition + QStringLiteral(") AND ") + more;
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
