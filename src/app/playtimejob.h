#pragma once

#include "app/commandcontext.h"

// Runs "Fill In Play Times" as a job: the rows shown get the lengths of their songs, read
// from the discs in the drives; one message says how it went, and the rows are shown again
// with their new play times.
class PlayTimeJob
{
public:
    explicit PlayTimeJob(const CommandContext& context) : m_context(context) {}
    // With `allFormats`, the songs of every format known; else the MP3s alone.
    void start(bool allFormats);

private:
    CommandContext m_context;
};
