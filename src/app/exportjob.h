#pragma once

#include "app/commandcontext.h"
#include "browse/exporter.h"

class Settings;

// File → Export…: the rows shown, in their order, to a CSV file or an M3U8 playlist
// chosen in the platform's file dialog, written as a job. A failed or stopped export
// leaves the file that was there as it was.
class ExportJob
{
public:
    // The file dialog opens where the last export went, as `settings` keep it.
    ExportJob(const CommandContext& context, const Settings* settings)
        : m_context(context), m_settings(settings)
    {
    }
    void start();

private:
    // The file to write, and its format by its ending, asked in the file dialog; false when
    // none was chosen.
    bool chooseFile(QString* path, Exporter::Format* format) const;

    CommandContext m_context;
    const Settings* m_settings;
};
