#pragma once

#include "store/database.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class BackgroundRead;

// The catalogue file read for damage once it is open, beside the window (a BackgroundRead): first every
// page and row (quick: under a second for a million rows), then whether every row is in
// every index (full: some seconds more). Writes wait for the quick check; jobs that write
// wait for the full one on their own thread, never the window's.
class DamageCheck : public QObject
{
    Q_OBJECT
public:
    explicit DamageCheck(QObject* parent = nullptr);
    ~DamageCheck() override; // stops the check and waits for its thread

    void start(const QString& path);
    // Ends a check still running at once; what it did not read counts as no damage.
    void stop();
    bool isRunning() const;

    // Waits for the quick check (with the busy pointer) and answers it; no failure when no
    // check runs or it is over.
    Failure awaitQuick();
    // A wait for a job's thread: until the full check is over (or `cancelled` answers true),
    // then the damage either check found; no failure for none.
    std::function<Failure(const std::function<bool()>& cancelled)> fullWaiter() const;

signals:
    // On the window's thread, each once: what the quick and the full check found (number 0
    // for nothing).
    void quickDone(int number, const QString& description);
    void fullDone(int number, const QString& description);

private:
    struct State;
    std::shared_ptr<State> m_state;
    std::unique_ptr<BackgroundRead> m_read;
};
