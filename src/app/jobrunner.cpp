#include "app/jobrunner.h"

#include "app/background.h"
#include "app/progresswindow.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

// What the job's thread and the window's thread share. The mutex guards everything but
// the cancel flag.
struct JobControl::Shared
{
    QPointer<JobRunner> runner;
    std::atomic<bool> cancelled = false;
    std::mutex mutex;
    std::condition_variable answered;
    bool closing = false; // the window is going: no more questions are shown

    // The latest progress, and whether a call to show it is on its way to the window.
    QString text;
    qint64 done = 0;
    qint64 total = 0;
    std::optional<bool> cancellable;
    bool progressPosted = false;

    // The question being asked, and its answer once there is one.
    quint64 questions = 0;
    QString question;
    Prompter::Buttons buttons = Prompter::OkOnly;
    QString title;
    QString details;
    std::optional<Prompter::Answer> answer;
};

namespace {
constexpr int showAfterMs = 250;

Prompter::Answer answerForTheUser(Prompter::Buttons buttons)
{
    return buttons == Prompter::RetryCancel || buttons == Prompter::ApplyCancel ||
                   buttons == Prompter::ApplyCancelWarned
               ? Prompter::Cancel
           : buttons == Prompter::YesNo || buttons == Prompter::Offer ? Prompter::No
                                                                      : Prompter::Ok;
}
} // namespace

bool JobControl::cancelled() const
{
    return m_shared->cancelled.load(std::memory_order_relaxed);
}

void JobControl::progress(const QString& text, qint64 done, qint64 total)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->text = text;
    m_shared->done = done;
    m_shared->total = total;
    if (m_shared->progressPosted || !m_shared->runner)
        return;
    m_shared->progressPosted = true;
    QMetaObject::invokeMethod(m_shared->runner, &JobRunner::showProgress, Qt::QueuedConnection);
}

void JobControl::setCancellable(bool cancellable)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->cancellable = cancellable;
    if (!m_shared->progressPosted && m_shared->runner) {
        m_shared->progressPosted = true;
        QMetaObject::invokeMethod(m_shared->runner, &JobRunner::showProgress, Qt::QueuedConnection);
    }
}

Prompter::Answer JobControl::ask(const QString& text, Prompter::Buttons buttons, const QString& title,
                                 const QString& details)
{
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->closing || !m_shared->runner)
        return answerForTheUser(buttons);
    const quint64 question = ++m_shared->questions;
    m_shared->question = text;
    m_shared->buttons = buttons;
    m_shared->title = title;
    m_shared->details = details;
    m_shared->answer.reset();
    // The question belongs to this job: the window may have stopped it, and started another,
    // by the time it gets there.
    QMetaObject::invokeMethod(
        m_shared->runner,
        [runner = m_shared->runner, job = std::weak_ptr<Shared>(m_shared), question] {
            if (runner)
                runner->askOnWindowThread(job.lock(), question);
        },
        Qt::QueuedConnection);
    m_shared->answered.wait(lock, [this] { return m_shared->answer || m_shared->closing; });
    return m_shared->answer ? *m_shared->answer : answerForTheUser(buttons);
}

JobRunner::JobRunner(Prompter* prompter, QWidget* window) : m_prompter(prompter), m_window(window) {}

JobRunner::~JobRunner()
{
    stop();
}

bool JobRunner::start(Job job)
{
    if (m_thread)
        return false;
    m_shared = std::make_shared<JobControl::Shared>();
    m_shared->runner = this;
    m_done = std::move(job.done);
    m_owner = job.owner;
    m_progress = new ProgressWindow(job.objectName, job.title, job.text, job.owner ? job.owner : m_window);
    connect(m_progress, &ProgressWindow::cancelRequested, this, &JobRunner::cancel);
    // Shown after a moment, or with the job's first question: a short job flashes no window,
    // and the click that starts a long one does not also wait for the window's first paint.
    QTimer::singleShot(showAfterMs, m_progress, [progress = m_progress] { progress->show(); });
    // The window stays usable: the pointer says that something goes on, not that it must wait.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_thread = QThread::create([shared = m_shared, work = std::move(job.work)] {
        runInBackground();
        JobControl control(shared);
        work(control);
    });
    m_thread->setObjectName(job.objectName);
    // Queued: the thread says it finished from its own side.
    connect(m_thread, &QThread::finished, this, [this, job = ++m_jobNumber] { onThreadFinished(job); });
    emit runningChanged(true);
    m_thread->start();
    return true;
}

void JobRunner::cancel()
{
    if (m_shared)
        m_shared->cancelled = true;
}

void JobRunner::stop()
{
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->cancelled = true;
        m_shared->closing = true;
    }
    m_shared->answered.notify_all();
    m_thread->wait();
    m_done = nullptr;
    onThreadFinished(m_jobNumber);
}

void JobRunner::showProgress()
{
    if (!m_shared)
        return;
    QString text;
    qint64 done, total;
    std::optional<bool> cancellable;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->progressPosted = false;
        text = m_shared->text;
        done = m_shared->done;
        total = m_shared->total;
        cancellable = m_shared->cancellable;
    }
    if (!m_progress)
        return;
    if (!text.isEmpty())
        m_progress->report(text, done, total);
    if (cancellable)
        m_progress->setCancellable(*cancellable);
}

void JobRunner::askOnWindowThread(const std::shared_ptr<JobControl::Shared>& shared, quint64 question)
{
    if (!shared || shared != m_shared)
        return;
    QString text, title, details;
    Prompter::Buttons buttons;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->closing || question != shared->questions)
            return;
        text = shared->question;
        title = shared->title;
        buttons = shared->buttons;
        details = shared->details;
    }
    if (m_progress)
        m_progress->show(); // the question belongs to the job the window shows
    Prompter::OwnedBy asked(m_prompter, m_owner);
    const Prompter::Answer answer = m_prompter->ask(text, buttons, title, details);
    {
        std::lock_guard lock(shared->mutex);
        shared->answer = answer;
    }
    shared->answered.notify_all();
}

void JobRunner::onThreadFinished(quint64 job)
{
    // Reached twice when the window waited for the job: once directly, once queued.
    if (!m_thread || job != m_jobNumber)
        return;
    m_thread->wait(); // it has said it finished: only its last instructions are left
    delete m_thread;
    m_thread = nullptr;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->runner = nullptr;
        m_shared->closing = true;
    }
    m_shared.reset();
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    QApplication::restoreOverrideCursor();
    if (const std::function<void()> done = std::exchange(m_done, nullptr))
        done();
    emit runningChanged(false);
}
