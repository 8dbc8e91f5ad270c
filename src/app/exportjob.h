#pragma once

class CatalogueSession;
class Prompter;
class QWidget;
class VolumeSource;

// File → Export…: the rows shown, in their order, to a CSV file or an M3U8 playlist
// chosen in the platform's file dialog, with a progress window and Cancel. A failed or
// stopped export leaves the file that was there as it was.
class ExportJob
{
public:
    ExportJob(CatalogueSession* session, Prompter* prompter, VolumeSource* volumes, QWidget* window)
        : m_session(session), m_prompter(prompter), m_volumes(volumes), m_window(window)
    {
    }

    void run();

private:
    CatalogueSession* m_session;
    Prompter* m_prompter;
    VolumeSource* m_volumes;
    QWidget* m_window;
};

// "Play All Shown": the songs shown whose discs are in a drive go to the desktop's player
// as one playlist; one message says which were left out and names their discs.
class PlayAllJob
{
public:
    PlayAllJob(CatalogueSession* session, Prompter* prompter, VolumeSource* volumes, QWidget* window)
        : m_session(session), m_prompter(prompter), m_volumes(volumes), m_window(window)
    {
    }

    void run();

private:
    CatalogueSession* m_session;
    Prompter* m_prompter;
    VolumeSource* m_volumes;
    QWidget* m_window;
};
