#pragma once

#include <QString>

class Prompter;
class QFont;
class QPrinter;
class QWidget;
class RecordSet;

// "Print  it": the print dialog, then every row the grid shows, in its order and font, as
// a printed listing with a progress window and Cancel. A job that is cancelled or fails
// leaves nothing behind: the printer drops it, a file printed to is left as it was, and a
// failure is said.
class PrintJob
{
public:
    PrintJob(Prompter* prompter, QWidget* window) : m_prompter(prompter), m_window(window) {}

    void run(RecordSet& records, const QFont& font);
    // While a job runs, the rows it walks through are no one's choice: nothing plays.
    bool isRunning() const { return m_running; }

private:
    void reportFailure(const QPrinter& printer, const QString& target);

    Prompter* m_prompter;
    QWidget* m_window;
    bool m_running = false;
};
