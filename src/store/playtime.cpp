#include "store/playtime.h"

#include "store/database.h"
#include "store/schema.h"

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
    Database& db;
    Statement update;
    QElapsedTimer sinceCommit;
    qint64 pending = 0;
    qint64 committed = 0;
};

PlayTimeWriter::PlayTimeWriter(Database& db) : d(std::make_unique<Private>(Private{db, {}, {}, 0, 0})) {}

PlayTimeWriter::~PlayTimeWriter()
{
    commit();
}

Failure PlayTimeWriter::store(qint64 rowid, double seconds)
{
    if (!d->update) {
        if (Failure f = d->update.prepare(
                d->db.handle(),
                QStringLiteral("UPDATE %1 SET Playtime=? WHERE rowid=?").arg(Song::tableName)))
            return f;
    }
    if (!d->db.inTransaction()) {
        if (Failure f = d->db.execute(QStringLiteral("BEGIN")))
            return f;
        d->sinceCommit.start();
    }
    d->update.bindText(1, PlayTime::stored(seconds).toStdString());
    d->update.bindInt(2, rowid);
    Failure failure;
    d->update.step(&failure);
    d->update.rewind();
    if (failure) {
        d->db.execute(QStringLiteral("ROLLBACK"));
        d->pending = 0;
        return failure;
    }
    ++d->pending;
    return d->sinceCommit.elapsed() >= 1000 ? commit() : Failure();
}

Failure PlayTimeWriter::commit()
{
    if (!d->db.isOpen() || !d->db.inTransaction())
        return {};
    Failure failure = d->db.execute(QStringLiteral("COMMIT"));
    if (failure)
        d->db.execute(QStringLiteral("ROLLBACK"));
    else
        d->committed += d->pending;
    d->pending = 0;
    return failure;
}

qint64 PlayTimeWriter::committed() const
{
    return d->committed;
}
