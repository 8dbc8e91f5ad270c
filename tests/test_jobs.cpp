// The two ways long work runs beside the window: the job runner (one command at a time, with
// its progress, questions and Cancel) and the background read (requests merged, only the
// newest one's results delivered). Their ends in every order the window can meet.
#include "guisupport.h"

#include "app/backgroundread.h"

#include <QSignalSpy>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

// A job that asks one question and keeps what it heard and whether it was told to stop.
struct Asking
{
    Prompter::Answer heard = Prompter::Ok;
    std::atomic<bool> cancelledAfter = false;
    std::atomic<bool> ended = false;

    JobRunner::Job job(Prompter::Buttons buttons = Prompter::YesNo)
    {
        JobRunner::Job job;
        job.objectName = "askingProgress";
        job.work = [this, buttons](JobControl& control) {
            heard = control.ask("Go on?", buttons);
            cancelledAfter = control.cancelled();
            ended = true;
        };
        return job;
    }
};

// A job that waits until it is let go (or cancelled).
JobRunner::Job waiting(std::shared_ptr<std::atomic<bool>> letGo, bool* done)
{
    JobRunner::Job job;
    job.work = [letGo](JobControl& control) {
        while (!*letGo && !control.cancelled())
            QThread::msleep(5);
    };
    job.done = [done] { *done = true; };
    return job;
}

} // namespace

class JobsTest : public QObject
{
    Q_OBJECT
private slots:
    void cancelWhileAsking();
    void stoppedBeforeTheQuestionIsShown();
    void lateFinishOfAnEarlierJob();
    void runnerGoesMidJob();
    void backgroundReadsMerge();
    void backgroundReadOwnerGoes();
};

// Cancel pressed while the job's question is open: the answer still reaches the job, which
// then sees that it is to stop.
void JobsTest::cancelWhileAsking()
{
    QWidget window;
    ScriptedPrompter prompter;
    JobRunner runner(&prompter, &window);
    Asking asking;
    prompter.answers = {Prompter::Yes};
    prompter.beforeAnswer = [&](const QString&) { runner.cancel(); };
    bool running = true;
    QObject::connect(&runner, &JobRunner::runningChanged, [&](bool now) { running = now; });
    QVERIFY(runner.start(asking.job()));
    QTRY_VERIFY(!running);
    QCOMPARE(prompter.texts(), QStringList{"Go on?"});
    QCOMPARE(asking.heard, Prompter::Yes);
    QVERIFY(asking.cancelledAfter);
}

// The window goes while a question is on its way to it: the job hears the answer a user who
// left gives (No), and the question is never shown.
void JobsTest::stoppedBeforeTheQuestionIsShown()
{
    QWidget window;
    ScriptedPrompter prompter;
    JobRunner runner(&prompter, &window);
    Asking asking;
    bool done = false;
    JobRunner::Job job = asking.job(Prompter::YesNo);
    job.done = [&] { done = true; };
    QVERIFY(runner.start(std::move(job)));
    QThread::msleep(50); // the job waits at its question, which waits for the event loop
    runner.stop();
    QVERIFY(asking.ended);
    QCOMPARE(asking.heard, Prompter::No);
    QVERIFY(!runner.isRunning());
    QCoreApplication::processEvents();
    QVERIFY(prompter.shown.empty());
    QVERIFY(!done); // a window that goes runs nothing of the job's end
}

// A job stopped by the window and a new one started at once: the first one's word that it
// finished, arriving late, is not taken for the second's.
void JobsTest::lateFinishOfAnEarlierJob()
{
    QWidget window;
    ScriptedPrompter prompter;
    JobRunner runner(&prompter, &window);
    bool firstDone = false, secondDone = false;
    auto letGoFirst = std::make_shared<std::atomic<bool>>(true);
    auto letGoSecond = std::make_shared<std::atomic<bool>>(false);
    QVERIFY(runner.start(waiting(letGoFirst, &firstDone)));
    QThread::msleep(20); // over, its word on the way
    runner.stop();
    QVERIFY(runner.start(waiting(letGoSecond, &secondDone)));
    QTest::qWait(50); // the first job's late word arrives
    QVERIFY(runner.isRunning());
    QVERIFY(!runner.start(waiting(letGoFirst, &firstDone))); // one job at a time
    *letGoSecond = true;
    QTRY_VERIFY(!runner.isRunning());
    QVERIFY(secondDone);
    QVERIFY(!firstDone);
}

// The runner goes (its window closed) in the middle of a job waiting at a question: the job
// is answered for the user and joined; nothing is left running.
void JobsTest::runnerGoesMidJob()
{
    Asking asking;
    {
        QWidget window;
        ScriptedPrompter prompter;
        auto runner = std::make_unique<JobRunner>(&prompter, &window);
        QVERIFY(runner->start(asking.job(Prompter::ApplyCancel)));
        QThread::msleep(30);
        runner.reset();
    }
    QVERIFY(asking.ended);
    QCOMPARE(asking.heard, Prompter::Cancel);
}

// Three requests while one runs: the run under way is stopped, the middle one never runs,
// and only the newest one's result is delivered.
void JobsTest::backgroundReadsMerge()
{
    ProgramFolder program(QStringList{"A", "B"});
    BackgroundRead read(program.databasePath());
    QStringList delivered, started;
    std::mutex guard;
    const auto request = [&](const QString& name, int ms) {
        BackgroundRead::Work work;
        work.read = [&, name, ms](Database&, const BackgroundRead::Run& run) {
            {
                std::lock_guard lock(guard);
                started << name;
            }
            for (int waited = 0; waited < ms && !run.stopped(); waited += 5)
                QThread::msleep(5);
            run.deliver([&delivered, name] { delivered << name; });
        };
        read.start(std::move(work));
    };
    QSignalSpy finished(&read, &BackgroundRead::finished);
    request("first", 2000);
    QThread::msleep(30);
    request("second", 0);
    request("third", 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(delivered, QStringList{"third"});
    QCOMPARE(started, (QStringList{"first", "third"}));
    QVERIFY(!read.isRunning());
}

// The owner goes while a read runs: the run is told to stop, its thread joined, and nothing
// it delivers afterwards reaches anyone.
void JobsTest::backgroundReadOwnerGoes()
{
    ProgramFolder program(QStringList{"A"});
    std::atomic<bool> sawStop = false;
    bool delivered = false;
    {
        BackgroundRead read(program.databasePath());
        BackgroundRead::Work work;
        work.read = [&](Database&, const BackgroundRead::Run& run) {
            while (!run.stopped())
                QThread::msleep(5);
            sawStop = true;
            run.deliver([&delivered] { delivered = true; });
        };
        read.start(std::move(work));
        QThread::msleep(30);
    }
    QVERIFY(sawStop);
    QCoreApplication::processEvents();
    QVERIFY(!delivered);
}

QTEST_MAIN(JobsTest)
#include "test_jobs.moc"
