#pragma once

class CatalogueSession;
class JobRunner;
class Prompter;
class VolumeSource;

// What a command of the window over the rows shown works with: the catalogue, the dialogs,
// the drives where songs are looked for, and the runner its long work goes to.
struct CommandContext
{
    CatalogueSession* session;
    Prompter* prompter;
    VolumeSource* volumes;
    JobRunner* jobs;
};
