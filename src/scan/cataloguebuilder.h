#pragma once

#include "scan/folderreader.h"
#include "scan/songtags.h"
#include "store/songtable.h"

#include <QElapsedTimer>
#include <QString>

#include <atomic>

#include <functional>
#include <optional>
#include <string>
#include <utility>

// Numbers the songs kept again under a numbered title ("Harbour ****3"), one number after
// another, on across the builds and disc updates of a window. Its jobs run one at a time, on
// threads of their own: the count is atomic, so that no number is given twice whatever runs.
class DuplicateNumbers
{
public:
    qint64 next() { return ++m_last; }
    qint64 last() const { return m_last; }

private:
    std::atomic<qint64> m_last = 0;
};

// The catalogue build: stores one row for every *.mp3 file of a volume, in the order and
// with the reports of the walk (FolderReader), which lists the folders while the rows of
// earlier ones are stored. Rows are committed at least once a second and before every
// report, so neither a crash nor a reported failure loses more than the last second.
class CatalogueBuilder
{
public:
    struct Hooks
    {
        // Read at each collision: keep a duplicate song under a numbered title?
        std::function<bool()> allowDuplicates;
        // A failure to show the user; the walk goes on after it.
        std::function<void(const QString& text)> report;
        // Called a few times a second with the folder being read and the rows stored so
        // far; answer false to stop after the current file.
        std::function<bool(const QString& folder, qint64 stored)> progress;
        // Called when the walk is over and the sort orders are made afresh, and then a few
        // times a second until they are done.
        std::function<void()> sorting;
        // What is read of each song besides its name: how long it plays (stored as its play
        // time), its tags (artist and title from them where they give both, else from its name
        // with the blanks around the dash trimmed), and which formats count as songs.
        SongReading reading;
    };

    struct Result
    {
        qint64 files = 0;           // matching files met
        qint64 stored = 0;          // rows added
        qint64 duplicates = 0;      // files skipped as duplicates
        qint64 withoutPlayTime = 0; // rows added without a length, when lengths were read
        bool cancelled = false;

        // One line for the user: "212 songs found: 200 added, 12 already in the catalogue,
        // 3 without a play time".
        QString summary() const;
    };

    // A song's artist and title as a build takes them: from its tags when they were read and
    // name it, else from its name (`readableName`, UTF-8), with the blanks around the dash
    // trimmed when names come from tags.
    static void nameSong(std::string_view readableName, const std::optional<SongTags::Names>* tags,
                         bool namesFromTags, std::string* artist, std::string* title);

    // `numbers` numbers kept duplicates, on across builds.
    CatalogueBuilder(SongTable& table, DuplicateNumbers& numbers, Hooks hooks);

    // Walks `root` (a folder; the volume's root) and stores its songs under `discName`.
    Result run(const QString& root, const QString& discName);

private:
    // `fileName` is the file system's bytes, `readableName` the same as text; `seconds` is
    // how long the song plays, negative when that is not known; `tags` the names its tags
    // give, when they were read.
    void storeFile(const std::string& path, const std::string& fileName, std::string_view readableName,
                   double seconds, const std::optional<SongTags::Names>* tags);
    // Stores the song named in the working values, its file called `fileName`; with `timed`,
    // with its play time.
    Failure storeRow(const std::string& fileName, bool timed);
    // The catalogue as a whole failed (busy, full, read-only): what it still takes is kept,
    // and where storing ended said once.
    void stopStoring(const Failure& failure);
    void reportFailure(const std::string& subject, int number, const QString& description);
    // Rows the catalogue threw away after they were counted are counted off again and
    // reported once, naming the first of them; the build stops.
    void reportLoss();
    bool keepGoing();

    SongTable& m_table;
    DuplicateNumbers& m_numbers;
    Hooks m_hooks;
    std::string m_disc;
    std::string m_category;
    std::string m_fullPath;
    std::string m_artist;
    std::string m_title;
    std::string m_playTime;
    std::string m_rebuilt;
    std::string m_currentFolder;
    Result m_result;
    bool m_stop = false;
    QElapsedTimer m_progressClock;
};

// The message of a failure in the walk: "This is a bug " + title + "#" + number + " " + description.
QString walkFailureText(const QString& title, int number, const QString& description);
