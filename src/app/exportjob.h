#pragma once

#include "app/commandcontext.h"

// File → Export…: the rows shown, in their order, to a CSV file or an M3U8 playlist
// chosen in the platform's file dialog, written as a job. A failed or stopped export
// leaves the file that was there as it was.
class ExportJob
{
public:
    explicit ExportJob(const CommandContext& context) : m_context(context) {}
    void start();

private:
    CommandContext m_context;
};
