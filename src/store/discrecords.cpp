#include "store/discrecords.h"

#include <QDateTime>

namespace DiscRecords {

QString tableStatement()
{
    // The disc name compares as the songs' does; folders are compared exactly.
    return QStringLiteral("CREATE TABLE IF NOT EXISTS adodisc ("
                          "MP3cd TEXT COLLATE NOCASE, Root TEXT, VolumeRoot TEXT, Label TEXT, "
                          "UUID TEXT, FileSystem TEXT, Size INTEGER, Built TEXT, UNIQUE (MP3cd, Root))");
}

Failure remember(Database& db, const DiscRecord& disc)
{
    if (!db.shape().discsDated)
        return {FailureNumber::InvalidArgument, QStringLiteral("The catalogue keeps no records of discs.")};
    Statement upsert;
    if (Failure f = upsert.prepare(
            db.handle(),
            QStringLiteral(
                "INSERT INTO adodisc (MP3cd, Root, VolumeRoot, Label, UUID, FileSystem, Size, Built) "
                "VALUES (?,?,?,?,?,?,?,?) ON CONFLICT (MP3cd, Root) DO UPDATE SET "
                "VolumeRoot=excluded.VolumeRoot, Label=excluded.Label, UUID=excluded.UUID, "
                "FileSystem=excluded.FileSystem, Size=excluded.Size, Built=excluded.Built")))
        return f;
    const QVariantList values = {
        disc.name,       disc.root,
        disc.volumeRoot, disc.label,
        disc.uuid,       disc.fileSystem,
        disc.size,       QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))};
    for (int i = 0; i < values.size(); ++i)
        upsert.bind(i + 1, values[i]);
    Failure failure;
    upsert.step(&failure);
    return failure;
}

namespace {
// The records `where` picks, in `order`; a catalogue made before builds were dated has none.
Failure select(Database& db, const QString& where, const QString& order, const QString& name,
               QList<DiscRecord>* discs)
{
    discs->clear();
    if (!db.shape().discs)
        return {};
    const bool hasBuilt = db.shape().discsDated;
    Statement query;
    if (Failure f = query.prepare(
            db.handle(), QStringLiteral("SELECT MP3cd, Root, VolumeRoot, Label, UUID, FileSystem, Size, %1 "
                                        "FROM adodisc %2 ORDER BY %3")
                             .arg(hasBuilt ? QStringLiteral("Built") : QStringLiteral("NULL"), where, order)))
        return f;
    if (!where.isEmpty())
        query.bind(1, name);
    Failure failure;
    while (query.step(&failure)) {
        DiscRecord disc;
        disc.name = query.column(0).toString();
        disc.root = query.column(1).toString();
        disc.volumeRoot = query.column(2).toString();
        disc.label = query.column(3).toString();
        disc.uuid = query.column(4).toString();
        disc.fileSystem = query.column(5).toString();
        disc.size = query.column(6).toLongLong();
        disc.built = query.column(7).toString();
        *discs << disc;
    }
    return failure;
}
} // namespace

Failure named(Database& db, const QString& name, QList<DiscRecord>* discs)
{
    return select(db, QStringLiteral("WHERE MP3cd=?"), QStringLiteral("rowid DESC"), name, discs);
}

Failure all(Database& db, QList<DiscRecord>* discs)
{
    return select(db, QString(), QStringLiteral("rowid"), QString(), discs);
}

} // namespace DiscRecords
