#pragma once

#include "browse/songlocator.h"
#include "store/database.h"

#include <QStringList>

#include <functional>

class RecordSet;

// "Fill In Play Times": reads how long the songs of the rows shown play, from their files
// wherever their discs are mounted now (SongFinder), and stores it as they go.
class PlayTimeFiller
{
public:
    struct Hooks
    {
        SongLocator::Hooks lookup;
        // Called a few times a second with the rows done and all of them; false stops after
        // the current row. What was stored stays stored.
        std::function<bool(qint64 done, qint64 total)> progress;
        // The songs of every format known are measured; else only MP3s.
        bool allFormats = false;
    };

    struct Result
    {
        qint64 rows = 0;         // rows looked at
        qint64 filled = 0;       // play times stored
        qint64 unreadable = 0;   // songs found whose length could not be read
        qint64 missing = 0;      // songs not on their disc, or rows with no file of their own
        qint64 notSongs = 0;     // rows that name a file that is no song (SongFile)
        qint64 otherFormats = 0; // songs of another format than MP3, left alone without allFormats
        QStringList absentDiscs; // discs not in a drive, in the order met
        bool cancelled = false;
        Failure failure; // why storing stopped, when it did
    };

    explicit PlayTimeFiller(Hooks hooks);

    // Fills in the rows of `rows`' result; stores through `engine`.
    Result run(RecordSet& rows, Database& engine);

    // What the user is told when the run is over.
    static QString summary(const Result& result);

private:
    Hooks m_hooks;
};
