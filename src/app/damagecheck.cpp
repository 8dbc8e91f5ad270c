#include "app/damagecheck.h"

#include "app/backgroundread.h"
#include "app/busypointer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct DamageCheck::State
{
    std::mutex mutex;
    std::condition_variable changed;
    bool quickOver = false;
    bool fullOver = false;
    Failure quick;
    Failure full;
};

DamageCheck::DamageCheck(QObject* parent) : QObject(parent), m_state(std::make_shared<State>())
{
    // A wait for a check that never ran is over at once.
    m_state->quickOver = m_state->fullOver = true;
}

DamageCheck::~DamageCheck()
{
    stop();
}

void DamageCheck::start(const QString& path)
{
    stop();
    m_state = std::make_shared<State>();
    m_read = std::make_unique<BackgroundRead>(path);
    BackgroundRead::Work work;
    work.read = [this, state = m_state](Database& db, const BackgroundRead::Run& run) {
        // Each part's answer goes to the jobs that wait for it and, queued, to the window.
        const auto publish = [this, &state, &run](bool full, const Failure& found) {
            {
                std::lock_guard lock(state->mutex);
                (full ? state->full : state->quick) = found;
                (full ? state->fullOver : state->quickOver) = true;
            }
            state->changed.notify_all();
            run.deliver([this, full, found] {
                if (full)
                    emit fullDone(found.number, found.description);
                else
                    emit quickDone(found.number, found.description);
            });
        };
        const Failure quick = checkIntegrity(db, CheckDepth::Quick, run.stopFlag());
        publish(false, quick);
        // Damage found already is enough; a file another program holds is checked no further.
        publish(true,
                quick || run.stopped() ? Failure() : checkIntegrity(db, CheckDepth::Full, run.stopFlag()));
    };
    // A file that cannot even be opened is checked no further: the window says why it cannot.
    work.failed = [state = m_state](const QString&) {
        std::lock_guard lock(state->mutex);
        state->quickOver = state->fullOver = true;
        state->changed.notify_all();
    };
    m_read->start(std::move(work));
}

void DamageCheck::stop()
{
    if (!m_read)
        return;
    m_read->stop();
    m_read.reset();
    std::lock_guard lock(m_state->mutex);
    m_state->quickOver = m_state->fullOver = true;
    m_state->changed.notify_all();
}

bool DamageCheck::isRunning() const
{
    return m_read && m_read->isRunning();
}

Failure DamageCheck::awaitQuick()
{
    std::unique_lock lock(m_state->mutex);
    if (!m_state->quickOver) {
        BusyPointer busy;
        m_state->changed.wait(lock, [this] { return m_state->quickOver; });
    }
    return m_state->quick;
}

std::function<Failure(const std::function<bool()>& cancelled)> DamageCheck::fullWaiter() const
{
    return [state = m_state](const std::function<bool()>& cancelled) {
        std::unique_lock lock(state->mutex);
        while (!state->fullOver && !(cancelled && cancelled()))
            state->changed.wait_for(lock, std::chrono::milliseconds(100));
        return isDamage(state->quick) ? state->quick : isDamage(state->full) ? state->full : Failure();
    };
}
