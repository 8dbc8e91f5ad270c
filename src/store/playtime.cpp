#include "store/playtime.h"

#include "store/database.h"
#include "store/schema.h"
#include "store/transaction.h"

#include <QElapsedTimer>

#include <QStringList>

#include <cmath>

namespace PlayTime {

QString total(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString stored(double seconds)
{
    const qint64 whole = seconds > 0 ? qint64(std::llround(seconds)) : 0;
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600, 2, 10, QLatin1Char('0'))
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

std::optional<qint64> seconds(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() > 3)
        return std::nullopt;
    qint64 total = 0;
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const qint64 value = parts[i].toLongLong(&ok);
        // Only the first part may pass 59: 75:00 is an hour and a quarter.
        if (!ok || value < 0 || parts[i].startsWith(QLatin1Char('+')) ||
            (i > 0 && (value > 59 || parts[i].size() != 2)))
            return std::nullopt;
        total = total * 60 + value;
    }
    return total;
}

QString shown(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    const QString text = value.toString();
    const std::optional<qint64> length = seconds(text);
    if (!length)
        return text;
    const qint64 s = *length;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QVariant fromTyped(const QString& text)
{
    if (text.trimmed().isEmpty())
        return QVariant();
    const std::optional<qint64> length = seconds(text);
    return length ? QVariant(stored(double(*length))) : QVariant(text);
}

} // namespace PlayTime

struct PlayTimeWriter::Private
{
    explicit Private(Database& connection) : db(connection) {}
    Database& db;
    Statement update;
    QElapsedTimer sinceCommit;
    qint64 pending = 0;
    qint64 committed = 0;
    std::optional<Transaction> batch; // the rows stored since the last commit
};

PlayTimeWriter::PlayTimeWriter(Database& db) : d(std::make_unique<Private>(db)) {}

PlayTimeWriter::~PlayTimeWriter()
{
    commit();
}

Failure PlayTimeWriter::store(qint64 rowid, double seconds)
{
    if (!d->update) {
        if (Failure f = d->update.prepare(
                d->db.handle(), QStringLiteral("UPDATE %1 SET Playtime=? WHERE rowid=?").arg(Song::tableName),
                Statement::Use::Kept))
            return f;
    }
    if (!d->batch) {
        d->batch.emplace(d->db);
        if (Failure f = d->batch->begun()) {
            d->batch.reset();
            return f;
        }
        d->sinceCommit.start();
    }
    d->update.bindText(1, PlayTime::stored(seconds).toStdString());
    d->update.bindInt(2, rowid);
    Failure failure;
    d->update.step(&failure);
    d->update.rewind();
    if (failure) {
        d->batch.reset(); // rolled back
        d->pending = 0;
        return failure;
    }
    ++d->pending;
    return d->sinceCommit.elapsed() >= 1000 ? commit() : Failure();
}

Failure PlayTimeWriter::commit()
{
    if (!d->batch)
        return {};
    const Failure failure = d->batch->commit();
    d->batch.reset();
    if (!failure)
        d->committed += d->pending;
    d->pending = 0;
    return failure;
}

qint64 PlayTimeWriter::committed() const
{
    return d->committed;
}
