#pragma once

#include "app/commandcontext.h"
#include "scan/folderreader.h"
#include "scan/volumes.h"
#include "store/discs.h"

#include <QString>

#include <atomic>
#include <functional>

class BuildJob;
class CatalogueUndo;
class UndoPoint;
class DiscComparisonWindow;
class DiscsWindow;
class JobControl;
class MountWatch;
class QWidget;
class Settings;

// What the list of discs does to a disc, each as a job of the window's runner: updating it
// from the drive (with a preview of the changes to apply or cancel), renaming it and
// removing it; besides, storing a note of a disc as it is edited, and comparing two discs. `finished` hears
// on the window's thread what was done, in a line (empty when nothing was), after the catalogue changed or
// not.
class DiscJobs
{
public:
    struct Hooks
    {
        // What a build reads of each song now (Read Play Times, Names From Tags).
        std::function<SongReading()> reading;
        std::function<void(const QString& done)> finished;
    };

    // `builds` says whether duplicates are kept, and numbers them: an update adds songs as a
    // build does.
    // Update and Remove keep the catalogue for `undo` first.
    DiscJobs(CommandContext context, BuildJob* builds, CatalogueUndo* undo, Hooks hooks)
        : m_context(context), m_builds(builds), m_undo(undo), m_hooks(std::move(hooks))
    {
    }

    // Opens the list of discs (made on the first call, its size kept in `settings`), whose
    // buttons run the commands below.
    void showWindow(QWidget* parent, MountWatch* watch, Settings* settings);
    // Counts the list's discs afresh when it is open.
    void recount();

    void update(const Disc& disc);
    void rename(const Disc& disc);
    void remove(const Disc& disc);
    // Stores a note the user edited in the list at once (a single short write); a note that
    // cannot be stored is said, and shown as it was.
    void storeNote(const Disc& disc, DiscNotes::Field field, const QString& text);
    // Shows what two discs share and what each has alone, in a window of its own.
    void compare(const Disc& first, const Disc& second);

private:
    // The folder `disc` is in now and its volume; asks for the folder of a disc catalogued
    // before discs were remembered. False, after saying why, when it is in no drive.
    bool findInDrive(const Disc& disc, QString* folder, Volume* volume);
    // Runs `change` as a writing job given from the list of discs; `text` is shown while it runs.
    bool startChange(const QString& objectName, const QString& title, const QString& text,
                     std::function<QString(JobControl& job, Database& db, UndoPoint& undo)> change);

    CommandContext m_context;
    BuildJob* m_builds;
    CatalogueUndo* m_undo;
    Hooks m_hooks;
    DiscsWindow* m_window = nullptr;
    DiscComparisonWindow* m_comparison = nullptr;
};
