#pragma once

#include "app/commandcontext.h"

// File → Export…: the rows shown, in their order, to a CSV file or an M3U8 playlist
// chosen in the platform's file dialog, with a progress window and Cancel. A failed or
// stopped export leaves the file that was there as it was.
class ExportJob
{
public:
    explicit ExportJob(const CommandContext& context) : m(context) {}
    void run();

private:
    CommandContext m;
};

// "Play All Shown": the songs shown whose discs are in a drive go to the desktop's player
// as one playlist; one message says which were left out and names their discs.
class PlayAllJob
{
public:
    explicit PlayAllJob(const CommandContext& context) : m(context) {}
    void run();

private:
    CommandContext m;
};
