#pragma once

#include "browse/songlocator.h"

#include <QSet>
#include <QStringList>

// Finds the songs of many rows in one go, as playing finds one: the drives and the disc
// records are asked once for the whole run, and each folder is read once (a folder that
// is not there says at once that none of its songs is).
class SongFinder
{
public:
    explicit SongFinder(SongLocator::Hooks hooks);

    // A row with no file of its own (a numbered duplicate, a row without a folder) is a song
    // not on its disc.
    SongLocator::Result find(const PlayRow& row);
    // The discs that were not in a drive, in the order met.
    const QStringList& absentDiscs() const { return m_absentDiscs; }

    // The song's file where the catalogue says it is: its folder, then its own name or
    // "artist-title.mp3"; nothing when the two cannot name a song file (SongFile).
    static QByteArray storedFile(const PlayRow& row);

private:
    SongLocator m_locator;
    QStringList m_absentDiscs;
    QSet<QString> m_absentDiscSet;
};
