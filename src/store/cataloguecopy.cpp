#include "store/cataloguecopy.h"

#include "store/database.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <sqlite3.h>

namespace CatalogueCopy {

namespace {

// Pages handed over at a step: a few megabytes, so that Cancel and the progress are timely
// while the steps cost nothing that matters.
constexpr int pagesAStep = 1024;

Failure systemFailure(const QString& what, const QString& path)
{
    return {FailureNumber::InvalidArgument,
            QStringLiteral("%1 '%2': %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno))),
            FailureKind::File};
}

// Writes what the file system holds of `path` to the disk.
bool syncToDisk(const QByteArray& path, bool folder = false)
{
    const int fd = ::open(path.constData(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// Copies every page of `from` into `into`, a step at a time; the other program's locks are
// waited for as the connections' busy time-outs say.
Failure copyPages(sqlite3* into, sqlite3* from, const Progress& progress, bool* stopped)
{
    sqlite3_backup* backup = sqlite3_backup_init(into, "main", from, "main");
    if (!backup)
        return failureFromSqlite(into, sqlite3_errcode(into));
    int rc = SQLITE_OK;
    int waits = 0;
    while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        rc = sqlite3_backup_step(backup, pagesAStep);
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++waits > 60)
            break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(50);
        const int total = sqlite3_backup_pagecount(backup);
        if (rc == SQLITE_OK && progress && !progress(total - sqlite3_backup_remaining(backup), total)) {
            *stopped = true;
            break;
        }
    }
    sqlite3_backup_finish(backup);
    if (*stopped)
        return {FailureNumber::InvalidArgument, QStringLiteral("Stopped."), FailureKind::Cancelled};
    return rc == SQLITE_DONE ? Failure() : failureFromSqlite(into, rc);
}

} // namespace

QString undoPathFor(const QString& catalogue)
{
    return catalogue + QStringLiteral(".undo");
}

Failure make(const QString& catalogue, const QString& copy, const Progress& progress)
{
    Database source;
    if (Failure f = source.open(catalogue, true))
        return f;
    // Made under another name and put in place whole: the copy needs no journal of its own,
    // and is written to the disk once, at its end.
    const QString partial = copy + QStringLiteral(".part");
    QFile::remove(partial);
    sqlite3* into = nullptr;
    const QByteArray partialName = QFile::encodeName(partial);
    int rc = sqlite3_open_v2(partialName.constData(), &into,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    Failure failure = failureFromSqlite(into, rc);
    if (!failure)
        failure =
            failureFromSqlite(into, sqlite3_exec(into, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF",
                                                 nullptr, nullptr, nullptr));
    bool stopped = false;
    if (!failure)
        failure = copyPages(into, source.handle(), progress, &stopped);
    sqlite3_close_v2(into);
    if (!failure && !syncToDisk(partialName))
        failure = systemFailure(QStringLiteral("Could not write"), partial);
    if (!failure && ::rename(partialName.constData(), QFile::encodeName(copy).constData()) != 0)
        failure = systemFailure(QStringLiteral("Could not put in place"), copy);
    if (failure) {
        QFile::remove(partial);
        return failure;
    }
    syncToDisk(QFile::encodeName(QFileInfo(copy).absolutePath()), true);
    return {};
}

Failure restore(const QString& copy, const QString& catalogue, const Progress& progress)
{
    Database source, into;
    if (Failure f = source.open(copy, true))
        return f;
    if (Failure f = into.open(catalogue))
        return f;
    bool stopped = false;
    return copyPages(into.handle(), source.handle(), progress, &stopped);
}

quint64 writeMark(const QString& catalogue)
{
    QFile file(catalogue);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(28);
    if (header.size() < 28)
        return 0;
    const auto byte = [&header](int i) { return quint64(static_cast<unsigned char>(header[i])); };
    const quint64 counter = byte(24) << 24 | byte(25) << 16 | byte(26) << 8 | byte(27);
    const QFileInfo log(catalogue + QStringLiteral("-wal"));
    return counter << 32 ^ quint64(log.exists() ? log.size() + 1 : 0);
}

} // namespace CatalogueCopy
