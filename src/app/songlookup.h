#pragma once

#include "app/cataloguesession.h"
#include "browse/songlocator.h"
#include "scan/volumes.h"

// Where the window looks for a row's song: the drives mounted now and the catalogue's
// record of each disc.
inline SongLocator::Hooks songLookup(VolumeSource* volumes, CatalogueSession* session)
{
    SongLocator::Hooks hooks;
    hooks.probe = [](const QByteArray& path) { return probePath(path); };
    hooks.volumes = [volumes] { return volumes->volumes(); };
    hooks.discs = [session](const QString& disc) { return session->discsNamed(disc); };
    hooks.mountFolders = [volumes] { return volumes->mountFolders(); };
    return hooks;
}
