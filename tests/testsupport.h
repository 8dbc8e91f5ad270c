#pragma once

#include "scan/volumes.h"
#include "settings/profile.h"
#include "store/database.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

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
        Modini::setProgramFolder(dir.path());
        if (withCatalogue)
            QVERIFY(!Song::createCatalogue(databasePath()).failed());
    }
    QString path() const { return dir.path(); }
    QString databasePath() const { return dir.path() + QStringLiteral("/adomp3.mdb"); }
    QString settingsPath() const { return dir.path() + QStringLiteral("/trelmo.ini"); }
    void writeSettings(const QByteArray& text) const
    {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // Runs statements on the catalogue file, as another program would.
    void run(const char* sql) const
    {
        Database db;
        QVERIFY(!db.open(databasePath()).failed());
        QVERIFY(!db.execute(QString::fromUtf8(sql)).failed());
    }
    QByteArray readSettings() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

// Songs stored straight into the catalogue file: each artist with the title "<artist> song".
inline void addRows(const QString& databasePath, const QStringList& artists)
{
    Database db;
    QVERIFY(!db.open(databasePath).failed());
    Statement insert;
    QVERIFY(!insert
                 .prepare(db.handle(), "INSERT INTO adosong (Artist,Title,ONcd,MP3cd,Category,FullPath) "
                                       "VALUES (?,?,0,'ROCK1','Rock','/media/cdrom/Rock/')")
                 .failed());
    for (const QString& artist : artists) {
        insert.reset();
        insert.bind(1, artist);
        insert.bind(2, artist + " song");
        Failure f;
        insert.step(&f);
        QVERIFY(!f.failed());
    }
}
