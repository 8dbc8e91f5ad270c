#include "store/discsongs.h"

#include "store/schema.h"
#include "store/transaction.h"

namespace DiscSongs {

Failure read(Database& db, const std::vector<qint64>& rowids, std::vector<DiscSong>* songs)
{
    Statement query;
    if (Failure f = query.prepare(
            db.handle(), QStringLiteral("SELECT Artist, Title, FullPath, %1 FROM adosong WHERE rowid=?")
                             .arg(db.shape().fileNames ? Song::fileNameField : QStringLiteral("NULL"))))
        return f;
    // The rows of one moment, and one lock rather than one a row.
    Transaction together(db);
    if (together.begun())
        return together.begun();
    for (const qint64 rowid : rowids) {
        query.reset();
        query.bindInt(1, rowid);
        Failure failure;
        if (query.step(&failure))
            songs->push_back({rowid, query.column(0).toString(), query.column(1).toString(),
                              query.column(2).toString(), query.columnBytes(3)});
        if (failure)
            return failure;
    }
    return {};
}

Failure move(Database& db, const std::vector<SongMove>& moves, qint64* moved)
{
    const bool names = db.shape().fileNames;
    Statement update;
    if (Failure f = update.prepare(db.handle(),
                                   QStringLiteral("UPDATE adosong SET FullPath=?, Category=?%1 WHERE rowid=?")
                                       .arg(names ? QStringLiteral(", FileName=?") : QString())))
        return f;
    for (const SongMove& m : moves) {
        update.reset();
        update.bindText(1, m.fullPath);
        update.bindText(2, m.category);
        int next = 3;
        if (names)
            update.bindFileName(next++, m.fileName ? QByteArray::fromStdString(*m.fileName) : QByteArray());
        update.bindInt(next, m.rowid);
        Failure failure;
        update.step(&failure);
        if (failure)
            return failure;
        ++*moved;
    }
    return {};
}

} // namespace DiscSongs
