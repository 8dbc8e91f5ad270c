#pragma once

#include "app/prompter.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class ProgressWindow;
class QThread;
class QWidget;

// What a job sees of the window while it runs on its own thread: whether Cancel was
// pressed, a way to show how far it is, and a way to ask the user something. Every call
// is safe from the job's thread; nothing of the window is touched from there.
class JobControl
{
public:
    struct Shared;
    explicit JobControl(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    // True once the user pressed Cancel or the window is closing: stop after the current step.
    bool cancelled() const;
    // Shows `text` and how far the job is (`done` of `total`; no total shows a moving bar).
    // Cheap: the window takes the latest figures whenever it is free, however often this runs.
    void progress(const QString& text, qint64 done = 0, qint64 total = 0);
    // From now on Cancel is offered, or no longer (a step that must not be cut short).
    void setCancellable(bool cancellable);
    // Asks on the window's thread and waits for the answer; a window that is closing answers
    // for the user: Cancel, No or Ok, as the buttons allow.
    Prompter::Answer ask(const QString& text, Prompter::Buttons buttons = Prompter::OkOnly,
                         const QString& title = QStringLiteral("Trelmo"), const QString& details = {});

private:
    std::shared_ptr<Shared> m_shared;
};

// Runs the window's long commands (a build, Fill In Play Times, Export, Play All, Print),
// one at a time, each on a thread of its own behind a progress window with Cancel. The
// window's event loop never waits for a job: progress and questions come back as queued
// calls, and the job's end runs `done` on the window's thread. The job opens its own
// catalogue connection; the window's reads go on beside it.
//
// A plain QThread rather than QtConcurrent: a job blocks on the user's answer to its
// questions, and a pool thread held that long would starve other pool work; one thread
// per job also lets the window join it when it closes.
class JobRunner : public QObject
{
    Q_OBJECT
public:
    struct Job
    {
        QString objectName;                    // of the progress window
        QString title;                         // of the progress window
        QString text;                          // shown until the job's first progress
        std::function<void(JobControl&)> work; // runs on the job's thread
        std::function<void()> done;            // runs on the window's thread afterwards
        // The window the job was started from, when it is not the main window: its progress
        // and its questions belong to it.
        QWidget* owner = nullptr;
    };

    JobRunner(Prompter* prompter, QWidget* window);
    ~JobRunner() override;

    bool isRunning() const { return m_thread != nullptr; }
    // Starts `job`; false, starting nothing, while another job runs.
    bool start(Job job);
    // The job stops after its current step; its end is reported as usual.
    void cancel();
    // For a window that closes: cancels, answers a question still open for the user, and
    // waits for the job to end. Its `done` is not run.
    void stop();

signals:
    // A job started, or the last one ended (after its `done`).
    void runningChanged(bool running);

private:
    friend class JobControl;
    void showProgress();
    // Asks the question `question` of the job `shared`, while it is the job running.
    void askOnWindowThread(const std::shared_ptr<JobControl::Shared>& shared, quint64 question);
    void onThreadFinished(quint64 job);

    Prompter* m_prompter;
    QWidget* m_window;
    QThread* m_thread = nullptr;
    quint64 m_jobNumber = 0; // counts jobs, so that a late word of an old one is ignored
    std::shared_ptr<JobControl::Shared> m_shared;
    std::function<void()> m_done;
    QPointer<ProgressWindow> m_progress;
    QPointer<QWidget> m_owner;
};
