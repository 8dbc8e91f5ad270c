#pragma once

#include "scan/songtags.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// One step of the walk as the reader found it: failures to report first, then the songs
// of the folder, in name order.
struct FolderListing
{
    struct Failure
    {
        std::string subject; // the folder or file concerned
        int number = 0;      // the system's error number
        QString description;
    };
    std::string path; // the folder read; empty for a step that only reports
    std::vector<std::string> files;
    // How long each file plays, in seconds (a negative number when it cannot be told); only
    // when the reader was asked to measure.
    std::vector<double> lengths;
    // The artist and title each file's tags give (nothing where none gives both); only when
    // the reader was asked to read tags.
    std::vector<std::optional<SongTags::Names>> tags;
    std::vector<Failure> failures;
    bool discGone = false; // the disc went: nothing follows
};

// What the walk reads of each song besides its name.
struct SongReading
{
    bool lengths = false; // how long it plays
    bool tags = false;    // the artist and title of its tags
    QString tagCodePage;  // the code page of "Latin-1" tags
    // Every song format known (AudioFormat), not only MP3s.
    bool allFormats = false;
};

// Lists a volume depth first, on a thread of its own and a few folders ahead of the one
// who stores the songs, so that reading the disc and storing rows overlap. In each folder
// the song files (*.mp3, and with `allFormats` every format known) come first, in name
// order, then each subfolder in name order with everything below it.
//
// The walk stays on the root's file system, never follows a symbolic link to a folder
// (a link to a file stands for the file) and meets no folder twice. A folder that cannot
// be read is reported and the walk goes on; one that vanished (renamed away) is reported
// once for everything that vanished with it and beside it; when the disc itself goes, that is said once
// and the walk ends.
class FolderReader
{
public:
    using Reading = SongReading;
    // `root` ends in "/".
    explicit FolderReader(std::string root, Reading reading = {});
    ~FolderReader(); // stops the walk where it is
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    enum class Next
    {
        Ready,   // `step` holds the next step in walk order
        Waiting, // the disc is slow: nothing yet, ask again
        Over     // the walk is over
    };
    // Waits a tenth of a second at most, so that the one who asks stays responsive.
    Next next(FolderListing* step);

private:
    // Everything the reading thread uses; it keeps its own share, so a thread stuck on a
    // disc that no longer answers can be left behind without holding up the window.
    struct Walk
    {
        std::string root;
        Reading reading;
        std::unique_ptr<SongTags::Reader> tagReader;
        unsigned long device = 0;
        std::string vanished;                                      // the last folder reported as gone
        std::set<std::pair<unsigned long, unsigned long>> visited; // folders by device and inode
        bool discGone = false;

        std::mutex mutex;
        std::condition_variable changed;
        std::deque<FolderListing> ready;
        bool finished = false;
        bool stopped = false;

        void run();
        // False once the walk is to end: stopped, or the disc gone.
        bool walk(const std::string& path);
        enum class Listed
        {
            Read,
            Unreadable, // said in the step
            MetBefore   // a folder mounted inside itself: nothing to list again
        };
        // Reads one folder: its songs and failures into `step`, its subfolders into `folders`.
        Listed list(const std::string& path, FolderListing& step, std::vector<std::string>& folders);
        void folderFailed(FolderListing& step, const std::string& path, int error);
        // Hands a step over, waiting while the taker is far enough behind; false once stopped.
        bool put(FolderListing&& step);
    };
    std::shared_ptr<Walk> m_walk;
    std::thread m_thread;
};
