#pragma once

#include <QObject>

class CatalogueSession;
class MountWatch;
class Prompter;
class SongGrid;
class VolumeSource;

// What the user's move onto a cell does: on the ONcd column it flips the mark between Yes
// and NotYet; on any other column it plays the row's song, asking for its disc when the file
// is not there. The moves the program makes never reach it (SongGrid reports only the
// user's).
class SongPlayer : public QObject
{
    Q_OBJECT
public:
    SongPlayer(SongGrid* grid, CatalogueSession* session, Prompter* prompter, VolumeSource* volumes,
               MountWatch* mountWatch, QObject* parent = nullptr);

    // The next change of cell plays (or marks); the window arms it once it is loaded.
    void arm() { m_armed = true; }
    void disarm() { m_armed = false; }
    bool isArmed() const { return m_armed; }

    void onCurrentCellChanged();

private:
    void toggleOnCd();
    void playCurrentRow();

    SongGrid* m_grid;
    CatalogueSession* m_session;
    Prompter* m_prompter;
    VolumeSource* m_volumes;
    MountWatch* m_mountWatch;
    bool m_armed = false;
    bool m_reacting = false; // inside the reaction: the moves it makes are not reacted to
};
