#pragma once

#include "scan/volumes.h"
#include "store/database.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sqlite3.h>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

// A full disk, as far as this process can tell: no file grows past `bytes` while it lives.
class DiskFull
{
public:
    explicit DiskFull(rlim_t bytes) : m_handler(::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        struct rlimit full = m_before;
        full.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &full);
    }
    ~DiskFull()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        ::signal(SIGXFSZ, m_handler);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    struct rlimit m_before;
    sighandler_t m_handler;
};

// Gives up the superuser's rights while it lives, so that a folder closed to a user is closed
// to the test too: the superuser reads every folder. Nothing when the test runs as a user.
// What it is to reach must be open to others (a temporary folder is closed to them).
class AsUser
{
public:
    AsUser() : m_dropped(::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0) {}
    ~AsUser()
    {
        if (m_dropped)
            m_dropped = !(::seteuid(0) == 0 && ::setegid(0) == 0);
    }
    AsUser(const AsUser&) = delete;
    AsUser& operator=(const AsUser&) = delete;

private:
    bool m_dropped;
};

// Writes `bytes` as the file `path`, making the folders it lies in; false when it cannot.
inline bool touch(const QString& path, const QByteArray& bytes = {})
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The first frame of an MP3 (MPEG-1 layer III, 128 kbit/s, 44.1 kHz): enough of one for the
// program to take a file as a song.
inline QByteArray mp3Frame()
{
    return QByteArray("\xFF\xFB\x90\x64", 4).leftJustified(417, '\0');
}

// Writes an MP3 frame as the file `path`; false when it cannot.
inline bool touchSong(const QString& path)
{
    return touch(path, mp3Frame());
}

// The bytes of the file `path`; nothing when it cannot be read.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A volume as the mount table gives it.
inline Volume mounted(const QString& root, const QString& label, const QString& device,
                      const QString& fileSystem)
{
    Volume v;
    v.root = root;
    v.label = label;
    v.device = device;
    v.fileSystem = fileSystem;
    return v;
}

// Drives that are folders of the test's own.
class FolderVolumes : public VolumeSource
{
public:
    QList<Volume> volumes() override { return list; }
    Volume volumeOf(const QString& path) override
    {
        Volume best;
        for (const Volume& v : list) {
            if (path.startsWith(v.root) && v.root.size() > best.root.size())
                best = v;
        }
        return best.root.isEmpty() && !list.isEmpty() ? list.first() : best;
    }
    bool readLabel(const Volume& volume, QString* label) override
    {
        if (failing.contains(volume.root))
            return false;
        for (const Volume& v : list) {
            if (v.root == volume.root) {
                *label = v.label;
                return true;
            }
        }
        return false;
    }

    QList<Volume> list;
    QStringList failing;
};

// A program folder in a temporary folder, with an empty catalogue unless told otherwise.
struct ProgramFolder
{
    explicit ProgramFolder(bool withCatalogue = true)
    {
        if (withCatalogue)
            QVERIFY(!Song::createCatalogue(databasePath()).failed());
    }
    // With a catalogue of `artists`' songs and what `sql` stores.
    // With `settings` as the settings file too, when there are any.
    explicit ProgramFolder(const QStringList& artists, const QString& sql = {},
                           const QByteArray& settings = {})
        : ProgramFolder()
    {
        addRows(artists);
        if (!sql.isEmpty())
            run(sql);
        if (!settings.isEmpty())
            writeSettings(settings);
    }
    QString path() const { return dir.path(); }
    QString databasePath() const { return dir.path() + QStringLiteral("/adomp3.mdb"); }
    QString settingsPath() const { return dir.path() + QStringLiteral("/trelmo.ini"); }
    void writeSettings(const QByteArray& text) const { QVERIFY(touch(settingsPath(), text)); }
    QByteArray readSettings() const { return contents(settingsPath()); }
    // Runs statements on the catalogue file, as another program would.
    void run(const QString& sql) const
    {
        Database db;
        QVERIFY(!db.open(databasePath()).failed());
        QVERIFY(!db.execute(sql).failed());
    }
    // The rows `sql` answers, read as another program would, each row's values joined by "|"
    // and a null read as "NULL".
    QStringList rows(const QString& sql) const
    {
        Database db;
        Statement query;
        QStringList list;
        if (db.open(databasePath()).failed() || query.prepare(db.handle(), sql).failed())
            return list;
        while (query.step()) {
            QStringList values;
            for (int i = 0; i < sqlite3_column_count(query.get()); ++i)
                values << (query.column(i).isNull() ? QStringLiteral("NULL") : query.column(i).toString());
            list << values.join('|');
        }
        return list;
    }
    // The first value `sql` answers as a number; -1 when there is none.
    qint64 count(const QString& sql = QStringLiteral("SELECT count(*) FROM adosong")) const
    {
        return rows(sql).value(0, QStringLiteral("-1")).toLongLong();
    }
    // Songs stored straight into the catalogue file: each artist with the title "<artist> song".
    void addRows(const QStringList& artists) const
    {
        Database db;
        QVERIFY(!db.open(databasePath()).failed());
        Statement insert;
        QVERIFY(!insert
                     .prepare(db.handle(), "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) "
                                           "VALUES (?1,?1||' song',0,'ROCK1','Rock','/media/cdrom/Rock/')")
                     .failed());
        for (const QString& artist : artists) {
            insert.reset();
            insert.bind(1, artist);
            Failure f;
            insert.step(&f);
            QVERIFY(!f.failed());
        }
    }

    QTemporaryDir dir;
};
