#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class Database;
class QThread;

// A read of the catalogue beside the window (the totals, the list of discs, the check for
// damage): on a read-only connection of its own, on a thread of its own. Asked again while it
// runs, the run is told to stop and the newest request alone runs after it: requests merge,
// and a generation counter tells the newest run's results from a stale one's. Results reach
// the window's thread only while their run is the newest. The thread belongs to it: stopped
// and joined when it goes.
class BackgroundRead : public QObject
{
    Q_OBJECT
public:
    // What a run may do besides reading.
    class Run
    {
    public:
        // True once a newer request, or the owner's end, wants this run to stop.
        bool stopped() const { return m_stop->load(std::memory_order_relaxed); }
        // Hands `result` to the window's thread, where it runs unless a newer run began.
        void deliver(std::function<void()> result) const;
        // A flag for code that takes one (a progress handler of SQLite's).
        const std::atomic<bool>* stopFlag() const { return m_stop.get(); }

    private:
        friend class BackgroundRead;
        Run(BackgroundRead* owner, quint64 generation, std::shared_ptr<std::atomic<bool>> stop)
            : m_owner(owner), m_generation(generation), m_stop(std::move(stop))
        {
        }
        BackgroundRead* m_owner;
        quint64 m_generation;
        std::shared_ptr<std::atomic<bool>> m_stop;
    };
    // Reads through `db` (open, read-only); a catalogue that cannot be opened gives the
    // failure's text to `failed` instead.
    struct Work
    {
        std::function<void(Database& db, const Run& run)> read;
        std::function<void(const QString& why)> failed; // on the window's thread
    };

    explicit BackgroundRead(QString catalogue, QObject* parent = nullptr);
    ~BackgroundRead() override;

    // Runs `work` now, or once the run under way has stopped (replacing any request waiting).
    void start(Work work);
    // Stops the run under way and waits for its thread; a request waiting is dropped.
    void stop();
    bool isRunning() const { return m_thread != nullptr || m_pending != nullptr; }

signals:
    // The newest run is over (its results delivered) and nothing waits.
    void finished();

private:
    void launch();
    void onThreadFinished(quint64 generation);

    QString m_catalogue;
    QThread* m_thread = nullptr;
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::unique_ptr<Work> m_pending;
    quint64 m_generation = 0; // of the newest run started
};
