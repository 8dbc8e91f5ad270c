#pragma once

#include "app/commandcontext.h"
#include "scan/cataloguebuilder.h"
#include "scan/folderreader.h"
#include "scan/volumes.h"
#include "store/database.h"

#include <QString>

#include <atomic>
#include <functional>

// Runs a catalogue build of one disc as a job: the disc is walked and its songs stored on
// the job's own thread and catalogue connection, its reports asked as they come, and
// afterwards the rows are shown again.
class BuildJob
{
public:
    explicit BuildJob(CommandContext context) : m_context(context) {}

    // Runs `step` until it succeeds or the user gives up at "File collection error", whose
    // details say why. False when the user gave up.
    bool retry(const std::function<Failure()>& step);

    // A build of the system's own disk or of the user's home (the drive list goes back to the
    // system's disk after every build: one stray click more would catalogue all of it) asks
    // first; true to go on.
    bool confirmFolder(const QString& root) const;

    // Whether a song already stored is kept again under a numbered title; read at each one,
    // so a change during a build counts from the next song on.
    void setAllowDuplicates(bool allow) { m_allowDuplicates = allow; }
    bool allowDuplicates() const { return m_allowDuplicates; }
    // Numbers kept duplicates; a disc update numbers its own with it.
    DuplicateNumbers* duplicateNumbers() { return &m_duplicateNumbers; }

    // Starts storing the songs under the folder `root` as the disc `discName`; with
    // `reading` says what is read of each song besides its name (its length, its tags). The disc is
    // remembered with what identifies `volume`, the volume it is on. `finished` hears on the window's thread
    // whether the rows are shown again (false when the catalogue could not be reached or
    // the user gave up), and the build's summary in a line (empty when it could not start);
    // what was stored stays stored. False when no job could start.
    bool start(const QString& root, const QString& discName, const Volume& volume, const SongReading& reading,
               const std::function<void(bool built, const QString& summary)>& finished);

private:
    CommandContext m_context;
    std::atomic<bool> m_allowDuplicates = false;
    DuplicateNumbers m_duplicateNumbers; // on across builds and updates
};
