#pragma once

#include "app/commandcontext.h"

// Runs "Fill In Play Times" for the window: the rows shown get the lengths of their songs,
// read from the discs in the drives, with a progress window and Cancel; one message says
// how it went, and the rows are shown again with their new play times.
class PlayTimeRunner
{
public:
    explicit PlayTimeRunner(const CommandContext& context) : m(context) {}
    void run();

private:
    CommandContext m;
};
