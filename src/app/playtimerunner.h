#pragma once

class CatalogueSession;
class Prompter;
class QWidget;
class VolumeSource;

// Runs "Fill In Play Times" for the window: the rows shown get the lengths of their songs,
// read from the discs in the drives, with a progress window and Cancel; one message says
// how it went, and the rows are shown again with their new play times.
class PlayTimeRunner
{
public:
    PlayTimeRunner(CatalogueSession* session, Prompter* prompter, VolumeSource* volumes, QWidget* window)
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
