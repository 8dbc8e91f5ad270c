#include "store/recordsource.h"

#include "store/schema.h"

RecordSource RecordSource::defaultSource()
{
    RecordSource source;
    source.orderBy = {QStringLiteral("artist"), QStringLiteral("title")};
    return source;
}

QString RecordSource::text() const
{
    QString sql;
    if (filterField.isEmpty()) {
        sql = QStringLiteral("select *from adosong");
    } else {
        sql = QStringLiteral(" select * from adosong WHERE ") + filterField + QStringLiteral(" LIKE '%") +
              filterText + QStringLiteral("%'");
    }
    if (!orderBy.isEmpty())
        sql += (filterField.isEmpty() ? QStringLiteral(" order by ") : QStringLiteral("order by ")) +
               orderBy.join(QLatin1Char(','));
    return sql;
}

bool RecordSource::rowidQuery(QString* sql, QString* parameter) const
{
    QString query = QStringLiteral("SELECT rowid FROM adosong");
    parameter->clear();
    if (!filterField.isEmpty()) {
        const int field = Song::fieldIndex(filterField);
        if (field < 0)
            return false;
        query += QStringLiteral(" WHERE ") + Song::fieldNames()[field] + QStringLiteral(" LIKE ?");
        *parameter = QLatin1Char('%') + filterText + QLatin1Char('%');
    }
    QStringList keys;
    for (const QString& name : orderBy) {
        const int field = Song::fieldIndex(name);
        if (field < 0)
            return false;
        keys << Song::fieldNames()[field];
    }
    if (!keys.isEmpty())
        query += QStringLiteral(" ORDER BY ") + keys.join(QLatin1Char(','));
    *sql = query;
    return true;
}
