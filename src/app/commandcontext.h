#pragma once

class CatalogueSession;
class Prompter;
class QWidget;
class VolumeSource;

// What a command of the window over the rows shown works with: the catalogue, the dialogs,
// the drives where songs are looked for, and the window its progress window belongs to.
struct CommandContext
{
    CatalogueSession* session;
    Prompter* prompter;
    VolumeSource* volumes;
    QWidget* window;
};
