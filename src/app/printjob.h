#pragma once

#include <QString>

class JobRunner;
class Prompter;
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
    PrintJob(Prompter* prompter, JobRunner* jobs) : m_prompter(prompter), m_jobs(jobs) {}

    void start(const RecordSet& records, const QFont& font);

private:
    void reportFailure(const QString& printerName, const QString& target);

    Prompter* m_prompter;
    JobRunner* m_jobs;
};
