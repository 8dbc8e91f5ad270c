#pragma once

#include "scan/volumes.h"
#include "store/discrecords.h"
#include "store/discs.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

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
PathKind probePath(const QByteArray& path,
                   std::chrono::milliseconds within = std::chrono::milliseconds(1500));
inline PathKind probePath(const QString& path)
{
    return probePath(QFile::encodeName(path));
}

// Why the file at `path` is no song (SongFile::contentProblem), asked as probePath() asks:
// a drive that does not answer in time is said to.
QString songContentProblem(const QByteArray& path,
                           std::chrono::milliseconds within = std::chrono::milliseconds(1500));

// The cells of the grid's current row that the player reads.
struct PlayRow
{
    QString artist;   // column 0
    QString title;    // column 1
    QString disc;     // column 3, MP3cd
    QString fullPath; // column 6, the song's folder ending in "/"
    // The file's own name as the file system's bytes, where the build or an edit kept it;
    // null where the name is rebuilt from the row ("Artist-Title.mp3").
    QByteArray fileName = {};
};

// The row's file name as text: its own, or the one its cells rebuild.
QString fileNameText(const PlayRow& row);

// Where a song of the catalogue is now. Discs do not come back at the same folder: the
// same disc mounts at /media/ROCK1 one day and /run/media/anna/ROCK1 the next. The song is
// looked for at the path stored when its disc was catalogued, then on the mounted volumes
// that can be that disc (same UUID first, then same label or a label equal to the disc's
// name, then any), at its place relative to the disc. Rows of catalogues made before discs
// were remembered try the stored path's last folders under those volumes. Only a regular
// file of the song's own name counts: no other song is ever opened.
class SongLocator
{
public:
    struct Hooks
    {
        // What a name is on disc, the name given as the file system's bytes.
        std::function<PathKind(const QByteArray& path)> probe;
        std::function<QList<Volume>()> volumes;
        std::function<QList<DiscRecord>(const QString& disc)> discs;
        // Folders volumes are mounted on: now, and always (fixed mount folders).
        std::function<QStringList()> mountFolders;
        // Why the file found is no song (SongFile::contentProblem), empty when it is one.
        // Without it the file's first bytes are read, waiting no longer than a probe.
        std::function<QString(const QByteArray& file)> content;
    };

    enum class Outcome
    {
        Found,           // `file` is the song; `path` says it as text
        DiscWithoutSong, // the disc is in, at `discRoot`, but the song is not at `pathOnDisc`
        NotFound,
        // The row names a file that is no song (see SongFile): `path` says which, `problem`
        // why. Nothing of it is to be opened or written to a playlist.
        NotASong
    };
    struct Result
    {
        Outcome outcome = Outcome::NotFound;
        QString path;
        QByteArray file;
        QString discRoot;
        QString pathOnDisc;
        // Not found, but a drive that can hold the song did not answer: the disc may be in
        // and stalled. Its folder.
        QString silentDrive;
        QString problem;
    };

    explicit SongLocator(Hooks hooks) : m_hooks(std::move(hooks)) {}

    Result locate(const PlayRow& row) const;
    // Where the disc goes when it is not in: the folder its build walked; for older rows the
    // stored path up to the folder its volume was mounted on.
    QString driveOf(const PlayRow& row) const;

private:
    // The song's file under `folder` (ending in "/"): the row's own name, exactly; or for rows
    // without one, the name rebuilt from the row, or the same name ending in ".MP3" or another
    // spelling of it, which the build took as well. Folders (and rebuilt names) the build read
    // as Windows-1252 are tried in that encoding too. Empty when there is none or the
    // folder's drive does not answer.
    QByteArray findIn(const QString& folder, const PlayRow& row) const;
    // The hook's answer; a drive that does not answer is remembered for the result.
    PathKind probe(const QByteArray& path) const;
    QString silentDriveOf(const PlayRow& row, const QList<DiscRecord>& records,
                          const QList<Volume>& silent) const;
    // `path` with each part in UTF-8 or in Windows-1252, whichever is there; empty when none.
    // The last part is a song's file, in any spelling of ".mp3", or with `isFolder` a folder.
    QByteArray inWindows1252(const QString& path, bool isFolder = false) const;
    // The song at `file`, or NotASong when its first bytes are not a song's.
    Result found(const QByteArray& file) const;
    // The names a row without a name of its own can have that are song files' names, in the
    // order tried.
    QStringList namesOf(const PlayRow& row) const;
    // Why the row cannot name a song file (SongFile::nameProblem); empty when it can.
    QString nameProblemOf(const PlayRow& row) const;
    // Whether `folder` is there, in UTF-8 or as the build read it in Windows-1252.
    bool isFolder(const QString& folder) const;
    // The disc records whose walked folder holds the row's folder.
    QList<DiscRecord> recordsOf(const PlayRow& row) const;
    Result onRecordedDisc(const PlayRow& row, const QList<DiscRecord>& records,
                          const QList<Volume>& volumes) const;
    Result onAnyVolume(const PlayRow& row, const QList<Volume>& volumes) const;

    Hooks m_hooks;
    mutable bool m_silent = false;                     // a probe of the current lookup got no answer
    mutable QHash<QString, QList<DiscRecord>> m_discs; // the distinct records of each disc name read
};

// Where a disc is now: the folder to walk for it and the volume that holds it, found by the
// volume's UUID, then by the folder it was walked from, then by its label (or for a disc
// without a record, a label equal to its name). Empty when it is in no drive.
QString whereIsDisc(const Disc& disc, const QList<Volume>& volumes, Volume* on = nullptr);
