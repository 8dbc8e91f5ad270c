#pragma once

#include <QString>

#include <chrono>
#include <functional>

// What a name on disc turned out to be, as far as the file system answered in time.
enum class PathKind
{
    Missing,
    RegularFile,
    Folder,
    Other,   // a FIFO, a device, a socket
    NoAnswer // the file system did not answer in time (a drive that is not ready)
};

// Looks `path` up without ever holding the caller longer than `within`: a lookup that
// hangs (a dead network mount, a drive spinning up) goes on in a thread of its own. Only a
// RegularFile is a song: a folder, a FIFO or a device of that name is not.
PathKind probePath(const QString& path, std::chrono::milliseconds within = std::chrono::milliseconds(1500));

// The cells of the grid's current row that the player reads.
struct PlayRow
{
    QString artist;   // column 0
    QString title;    // column 1
    QString disc;     // column 3, MP3cd
    QString fullPath; // column 6, the song's folder ending in "/"
};

// Playing the song of a row: the file rebuilt from the row's cells is handed to the
// desktop when it is there; otherwise the user is asked for the disc until it is there
// or they give up.
class PlayReaction
{
public:
    struct Hooks
    {
        // What a name is on disc (probePath in the program).
        std::function<PathKind(const QString& path)> probe;
        std::function<void(const QString& path)> open;
        // Shows the prompt with Retry and Cancel; true for Retry.
        std::function<bool(const QString& prompt)> retry;
        // The root of the volume that holds an existing folder.
        std::function<QString(const QString& folder)> volumeRoot;
    };

    PlayReaction(Hooks hooks, QString lineBreak)
        : m_hooks(std::move(hooks)), m_lineBreak(std::move(lineBreak))
    {
    }

    // Plays the song of `row` when `armed` and the row names an artist; a row stored as a
    // duplicate has no file of its own and plays nothing.
    void play(const PlayRow& row, bool armed) const;

    // FullPath + Artist + "-" + Title + ".mp3", exactly as the cells show them.
    static QString rebuiltPath(const PlayRow& row);
    // The song's file on disc: the rebuilt path, or the same name ending in ".MP3" or
    // another spelling of it, which the build took as well. Empty when there is none.
    QString findSong(const QString& path) const;
    // A title the build stored as a duplicate ends in " ****" and its number.
    static bool isDuplicateMarked(const QString& title);
    // What the user is asked when the file is not there.
    QString prompt(const PlayRow& row) const;
    // Where the disc goes: the root of the volume that holds the song's folder, or, with
    // the disc out, the folder path up to its first part that is not there.
    QString driveOf(const QString& fullPath) const;

private:
    Hooks m_hooks;
    QString m_lineBreak;
};
