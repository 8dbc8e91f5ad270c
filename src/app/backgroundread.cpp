#include "app/backgroundread.h"

#include "app/background.h"
#include "store/database.h"

#include <QPointer>
#include <QThread>

void BackgroundRead::Run::deliver(std::function<void()> result) const
{
    QMetaObject::invokeMethod(
        m_owner,
        [owner = QPointer<BackgroundRead>(m_owner), generation = m_generation, stop = m_stop,
         result = std::move(result)] {
            if (owner && generation == owner->m_generation && !stop->load())
                result();
        },
        Qt::QueuedConnection);
}

BackgroundRead::BackgroundRead(QString catalogue, QObject* parent)
    : QObject(parent), m_catalogue(std::move(catalogue))
{
}

BackgroundRead::~BackgroundRead()
{
    stop();
}

void BackgroundRead::start(Work work)
{
    m_pending = std::make_unique<Work>(std::move(work));
    if (m_thread)
        m_stop->store(true); // the newest request runs once this run is over
    else
        launch();
}

void BackgroundRead::stop()
{
    m_pending.reset();
    if (!m_thread)
        return;
    m_stop->store(true);
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
}

void BackgroundRead::launch()
{
    const std::shared_ptr<Work> work(m_pending.release());
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = ++m_generation;
    m_thread = QThread::create([this, work, run = Run(this, generation, m_stop), catalogue = m_catalogue] {
        runInBackground();
        Database db;
        if (const Failure failure = db.open(catalogue, true)) {
            if (work->failed)
                run.deliver([failed = work->failed, why = failure.description] { failed(why); });
            return;
        }
        work->read(db, run);
    });
    m_thread->setObjectName(QStringLiteral("backgroundRead"));
    // Queued: the thread says it finished from its own side.
    connect(m_thread, &QThread::finished, this, [this, generation] { onThreadFinished(generation); });
    m_thread->start();
}

void BackgroundRead::onThreadFinished(quint64 generation)
{
    // A thread stopped and joined already (stop()) is gone; its late word is not this run's.
    if (!m_thread || generation != m_generation)
        return;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    if (m_pending)
        launch();
    else
        emit finished();
}
