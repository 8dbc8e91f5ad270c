#pragma once

#include "scan/volumes.h"
#include "store/database.h"

#include <QString>

#include <functional>

class CatalogueSession;
class Prompter;
class QWidget;

// Runs a catalogue build of one disc for the window: a busy pointer and a progress window
// with Cancel while the disc is walked and its songs stored, its reports said as they
// come, and afterwards a fresh engine connection and the rows shown again.
class BuildRunner
{
public:
    BuildRunner(CatalogueSession* session, Prompter* prompter, QWidget* window)
        : m_session(session), m_prompter(prompter), m_window(window)
    {
    }

    // Runs `step` until it succeeds or the user gives up at "File collection error".
    // False when the user gave up.
    bool retry(const std::function<Failure()>& step);

    // Stores the songs under the folder `root` as the disc `discName`; `allowDuplicates` is
    // asked at each song already stored; with `readPlayTimes` each song's length is stored. False when the
    // catalogue could not be reached or the user gave up afterwards; what was stored stays stored. The disc
    // is remembered with what identifies `volume`, the volume it is on.
    bool run(const QString& root, const QString& discName, const Volume& volume,
             const std::function<bool()>& allowDuplicates, bool readPlayTimes = false);

private:
    CatalogueSession* m_session;
    Prompter* m_prompter;
    QWidget* m_window;
    qint64 m_duplicateCounter = 0; // numbers kept duplicates, on across builds
};
