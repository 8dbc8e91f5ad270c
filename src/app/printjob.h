#pragma once

#include "app/commandcontext.h"

#include <QString>

class QFont;
class QPrinter;
class RecordSet;

// "Print  it": the print dialog, then every row the grid shows, in its order and font, as
// a printed listing, made as a job that reads the rows on its own connection (the grid's
// current row stays where it was). A job that is cancelled or fails leaves nothing behind:
// the printer drops it, a file printed to is left as it was, and a failure is said.
class PrintJob
{
public:
    explicit PrintJob(CommandContext context) : m_context(context) {}

    void start(const RecordSet& records, const QFont& font);

private:
    void reportFailure(const QString& printerName, const QString& target);

    CommandContext m_context;
};
