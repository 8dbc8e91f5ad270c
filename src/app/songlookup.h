#pragma once

#include "browse/songlocator.h"
#include "scan/volumes.h"
#include "store/discrecords.h"

// Where a row's song is looked for: the drives mounted now and what the catalogue remembers
// of each disc, read through `discs` (a connection of the caller's thread).
inline SongLocator::Hooks songLookup(VolumeSource* volumes,
                                     std::function<QList<DiscRecord>(const QString& disc)> discs)
{
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) { return probePath(path); };
    hooks.volumes = [volumes] { return volumes->volumes(); };
    hooks.discs = std::move(discs);
    hooks.mountFolders = [volumes] { return volumes->mountFolders(); };
    return hooks;
}

// The same for a job, whose disc records are read on its own connection `db`.
inline SongLocator::Hooks songLookup(VolumeSource* volumes, Database& db)
{
    return songLookup(volumes, [&db](const QString& disc) {
        QList<DiscRecord> discs;
        DiscRecords::named(db, disc, &discs);
        return discs;
    });
}
