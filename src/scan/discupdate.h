#pragma once

#include "scan/cataloguebuilder.h"
#include "scan/folderreader.h"
#include "scan/volumes.h"
#include "store/discs.h"
#include "store/discsongs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Brings one disc of the catalogue up to date with what the disc holds now: the disc is
// walked as a build walks it, and its songs compared with the disc's rows file by file, by
// their folder on the disc and the row's own file name. First a plan says what would change;
// nothing is written until it is applied, all of it in one transaction.
class DiscUpdate
{
public:
    struct Options
    {
        SongReading reading; // what is read of each new song besides its name
        // Read at each new song already in the catalogue: keep it under a numbered title?
        std::function<bool()> allowDuplicates;
        // Called a few times a second with the folder being read; false stops the walk.
        std::function<bool(const QString& folder, qint64 found)> progress;
    };

    // A folder of the disc that could not be read, relative to the disc and ending in "/" (empty:
    // the whole disc), and the system's reason. Its songs are neither gone nor new.
    struct Unread
    {
        QString folder;
        QString reason;
    };

    // A song as the user is shown it: its names and where it lies on the disc.
    struct Listed
    {
        QString artist;
        QString title;
        QString place; // folder and file relative to the disc ("Rock/01 Intro.mp3")
    };

    struct Plan
    {
        QList<Listed> added;
        QList<Listed> gone;
        QList<Listed> moved; // place: "Old/place → New/place"
        qint64 unchanged = 0;
        // Rows in folders that could not be read: kept as they are.
        qint64 kept = 0;
        QList<Unread> unread;
        // Reasons to think the drive holds another disc, or none (said before Apply).
        QStringList warnings;
        bool cancelled = false;

        bool changes() const { return !added.isEmpty() || !gone.isEmpty() || !moved.isEmpty(); }
        // The counts in a line: "3 new, 2 gone, 1 moved, 120 unchanged[, 7 kept, not read]".
        QString summary() const;
        // Every song of each list, for the user to read before Apply.
        QString details() const;

        // What Apply writes.
        using Move = SongMove;
        struct NewFile
        {
            std::string fullPath; // the folder as the disc's rows keep it
            std::string category;
            std::string fileName; // the file system's bytes
            std::string artist;
            std::string title;
            double seconds = -1;
        };
        QString root; // the folder the disc's rows are kept under
        std::vector<qint64> goneRows;
        std::vector<Move> moves;
        std::vector<NewFile> newFiles;
    };

    struct Result
    {
        qint64 added = 0;
        qint64 duplicates = 0; // new songs already in the catalogue, not added
        qint64 removed = 0;
        qint64 moved = 0;
        QString summary() const;
    };

    // Walks `folder` (where the disc is now, ending in "/") on `volume` and compares it with
    // the rows of `disc`.
    static Failure plan(Database& db, const Disc& disc, const QString& folder, const Volume& volume,
                        const Options& options, Plan* plan);
    // Writes `plan` in one transaction and remembers the disc as found on `volume` in
    // `folder`. `numbers` numbers kept duplicates, as a build does.
    static Failure apply(Database& db, const Disc& disc, const Plan& plan, const QString& folder,
                         const Volume& volume, const Options& options, DuplicateNumbers& numbers,
                         Result* result);
};
