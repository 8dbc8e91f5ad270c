#include "app/damagecheck.h"

#include "app/background.h"
#include "app/busypointer.h"

#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

struct DamageCheck::State
{
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> stop = false;
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
    m_thread = QThread::create([this, state = m_state, path] {
        runInBackground();
        // Each part's answer goes to the jobs that wait for it and, queued, to the window.
        auto publish = [this, &state](bool full, const Failure& found) {
            {
                std::lock_guard lock(state->mutex);
                (full ? state->full : state->quick) = found;
                (full ? state->fullOver : state->quickOver) = true;
            }
            state->changed.notify_all();
            QMetaObject::invokeMethod(
                this,
                [this, full, found] {
                    if (full)
                        emit fullDone(found.number, found.description);
                    else
                        emit quickDone(found.number, found.description);
                },
                Qt::QueuedConnection);
        };
        const Failure quick = checkIntegrity(path, CheckDepth::Quick, &state->stop);
        publish(false, quick);
        // Damage found already is enough; a file another program holds is checked no further.
        publish(true,
                quick || state->stop ? Failure() : checkIntegrity(path, CheckDepth::Full, &state->stop));
    });
    m_thread->setObjectName(QStringLiteral("damageCheck"));
    connect(m_thread, &QThread::finished, this, [this, thread = m_thread] {
        if (thread != m_thread)
            return;
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    });
    m_thread->start();
}

void DamageCheck::stop()
{
    if (!m_thread)
        return;
    m_state->stop = true;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    std::lock_guard lock(m_state->mutex);
    m_state->quickOver = m_state->fullOver = true;
    m_state->changed.notify_all();
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
