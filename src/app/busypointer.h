#pragma once

#include <QApplication>

// The busy pointer for as long as the guard lives, whichever way the command ends.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // The ordinary pointer over a busy one while a question waits for its answer; the busy
    // pointer is back with the answer.
    class Paused
    {
    public:
        Paused() : m_wasBusy(QApplication::overrideCursor() != nullptr)
        {
            if (m_wasBusy)
                QApplication::setOverrideCursor(Qt::ArrowCursor);
        }
        ~Paused()
        {
            if (m_wasBusy)
                QApplication::restoreOverrideCursor();
        }
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

    private:
        bool m_wasBusy;
    };
};
