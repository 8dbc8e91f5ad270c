#pragma once

#include "app/commandcontext.h"

// "Play All Shown": the songs shown whose discs are in a drive go to the desktop's player
// as one playlist, found as a job; one message says which were left out and names their
// discs.
class PlayAllJob
{
public:
    explicit PlayAllJob(const CommandContext& context) : m_context(context) {}
    void start();

private:
    CommandContext m_context;
};
