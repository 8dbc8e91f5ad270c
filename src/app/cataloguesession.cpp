#include "app/cataloguesession.h"

#include "app/busypointer.h"
#include "app/damagecheck.h"
#include "app/prompter.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/songmodel.h"
#include "store/songtable.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>
#include <QTimer>

namespace {
// The file a path leads to through links, where its name can be said as text; else the path.
QString realFile(const QString& path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return !real.isEmpty() && QFileInfo::exists(real) ? real : path;
}
} // namespace

CatalogueSession::CatalogueSession(QString databasePath, Prompter* prompter, QObject* parent)
    : QObject(parent), m_databasePath(std::move(databasePath)), m_prompter(prompter),
      m_records(new RecordSet(this)), m_model(new SongModel(m_records, this)),
      m_rereadTimer(new QTimer(this)), m_damageCheck(new DamageCheck(this))
{
    connect(m_damageCheck, &DamageCheck::quickDone, this, [this](int number, const QString& description) {
        takeDamage({number, description}, true);
    });
    connect(m_damageCheck, &DamageCheck::fullDone, this, [this](int number, const QString& description) {
        takeDamage({number, description}, true);
    });
    m_model->setWriteGate([this] { return !refuseWrite(); });
    connect(m_records, &RecordSet::error, this, [this](int number, const QString& description) {
        reportEditRefused({number, description});
    });
    connect(m_model, &SongModel::entryRefused, this, [this](const QString& text) { m_prompter->ask(text); });
    // Said after the painting that met the failure is over, never from inside it.
    connect(
        m_records, &RecordSet::readFailed, this,
        [this](int number, const QString& description) {
            reportReadFailed({number, description});
        },
        Qt::QueuedConnection);
    m_rereadTimer->setInterval(1000);
    connect(m_rereadTimer, &QTimer::timeout, this, [this] {
        m_model->rereadAll();
        if (!m_records->isReadFailing())
            m_rereadTimer->stop();
    });
}

CatalogueSession::~CatalogueSession()
{
    close();
}

bool CatalogueSession::createWhenOffered()
{
    if (!m_offerToCreate || QFileInfo::exists(m_databasePath))
        return true;
    const QString folder = QFileInfo(m_databasePath).absolutePath();
    if (m_prompter->ask(QStringLiteral("There is no catalogue in %1 yet. Create an empty one?").arg(folder),
                        Prompter::Offer, QStringLiteral("Trelmo")) != Prompter::Yes)
        return false;
    const Failure made = QDir().mkpath(folder)
                             ? Song::createCatalogue(m_databasePath)
                             : Failure{FailureNumber::InvalidArgument,
                                       QStringLiteral("The folder %1 cannot be made.").arg(folder)};
    if (made)
        m_prompter->ask(QStringLiteral("The catalogue could not be created: %1").arg(made.description));
    return !made;
}

bool CatalogueSession::open()
{
    if (!createWhenOffered())
        return false;
    // A catalogue on a disc, or one whose file is marked read-only, is opened for reading
    // only: the engine then writes nothing into it, whoever runs the program.
    const QString real = realFile(m_databasePath);
    m_readOnly = QFileInfo(real).isFile() && !catalogueWritable(real);
    if (!journalsUsable())
        return false;
    const bool newer = !m_readOnly && writtenByNewerTrelmo();
    m_readOnly = m_readOnly || newer;
    bool browseOnly = false;
    if (!m_readOnly && QFileInfo(m_databasePath).isFile()) {
        const LockOutcome locked = takeLock();
        if (locked == LockOutcome::Refused)
            return false;
        browseOnly = locked == LockOutcome::BrowseOnly;
        m_readOnly = browseOnly;
    }
    Failure opened;
    {
        // A large catalogue from an earlier build takes a few seconds to get its sort indexes.
        BusyPointer busy;
        opened = reopenEngine();
    }
    if (opened) {
        m_prompter->ask(opened.description);
        close();
        return false;
    }
    m_records->setCatalogue(m_databasePath, m_readOnly);
    m_records->setRecordSource(RecordSource::defaultSource());
    if (newer)
        sayNewer();
    else if (m_readOnly && !browseOnly)
        sayReadOnly();
    sayIndexFailure();
    updateGridWritable();
    if (!m_records->isActive())
        refresh();
    if (m_writeRefusal.isEmpty())
        startIntegrityCheck();
    return true;
}

void CatalogueSession::sayIndexFailure()
{
    if (m_indexFailure)
        m_prompter->ask(
            QStringLiteral("The catalogue's sort orders could not be made (%1): a click on a column "
                           "head sorts slowly until they can be. Make room on the disk that holds "
                           "the catalogue.")
                .arg(m_indexFailure.description));
}

bool CatalogueSession::journalsUsable()
{
    // Only regular files are opened beside the catalogue: a FIFO in the place of its journal
    // would never answer.
    for (const char* ending : {"-journal", "-wal"}) {
        const QFileInfo beside(m_databasePath + QLatin1String(ending));
        if ((beside.exists() || beside.isSymLink()) && !beside.isFile()) {
            m_prompter->ask(
                QStringLiteral("%1 is not a regular file, so the catalogue cannot be opened safely. "
                               "Remove it and start again.")
                    .arg(beside.filePath()));
            return false;
        }
    }
    return true;
}

void CatalogueSession::sayReadOnly()
{
    m_writeRefusal =
        QStringLiteral("The catalogue %1 is read-only: nothing can be changed in it.").arg(m_databasePath);
    m_prompter->ask(QStringLiteral("The catalogue %1 cannot be written (its file, its folder or its disc "
                                   "is read-only). You can browse, search, print and play; nothing "
                                   "can be changed.")
                        .arg(m_databasePath));
}

bool CatalogueSession::writtenByNewerTrelmo() const
{
    Database probe;
    return !probe.open(m_databasePath, true).failed() && Song::isNewer(probe.shape());
}

void CatalogueSession::sayNewer()
{
    m_writeRefusal =
        QStringLiteral("The catalogue %1 was written by a newer Trelmo: nothing can be changed in it "
                       "with this one.")
            .arg(m_databasePath);
    m_prompter->ask(
        QStringLiteral("The catalogue %1 was written by a newer version of Trelmo. You can browse, "
                       "search, print and play; nothing can be changed in it with this version.")
            .arg(m_databasePath));
}

CatalogueSession::LockOutcome CatalogueSession::takeLock()
{
    // One window per catalogue: two would overwrite each other's changes and wait on each
    // other's batches. Held while the window is open. The lock goes by the catalogue's real
    // file, so two links to one catalogue share it.
    const QString lockPath = realFile(m_databasePath) + QStringLiteral(".lock");
    // A lock that is no regular file (a FIFO) would never answer: it is not opened.
    const QFileInfo lock(lockPath);
    if ((lock.exists() || lock.isSymLink()) && !lock.isFile())
        return browseOnly(QStringLiteral("%1 is not a regular file").arg(lockPath));
    m_lock = std::make_unique<QLockFile>(lockPath);
    m_lock->setStaleLockTime(0); // a lock is stale when its owner is gone, however young it is
    if (m_lock->tryLock(0))
        return LockOutcome::Locked;
    if (m_lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        const bool named = m_lock->getLockInfo(&pid, &host, &application) && pid > 0;
        // An empty or garbled lock (what a power cut leaves) names no owner: it is taken over.
        if (!named && m_lock->removeStaleLockFile() && m_lock->tryLock(0))
            return LockOutcome::Locked;
        if (named && host != QSysInfo::machineHostName()) {
            const QString question =
                QStringLiteral(
                    "The catalogue %1 is open in Trelmo on the machine %2 (process %3), or was when "
                    "that machine stopped. Two windows on one catalogue overwrite each other's "
                    "changes. Open it here anyway?")
                    .arg(m_databasePath, host)
                    .arg(pid);
            if (m_prompter->ask(question, Prompter::YesNo, QStringLiteral("Catalogue in use")) ==
                    Prompter::Yes &&
                m_lock->removeStaleLockFile() && m_lock->tryLock(0))
                return LockOutcome::Locked;
            m_lock.reset();
            return LockOutcome::Refused;
        }
        if (named) {
            m_lock.reset();
            m_prompter->ask(QStringLiteral("The catalogue %1 is already open in another Trelmo window "
                                           "(process %2). Use that window, or close it and start again.")
                                .arg(m_databasePath)
                                .arg(pid));
            return LockOutcome::Refused;
        }
    }
    // No lock can be made (a full disk): nothing is written without one.
    m_lock.reset();
    return browseOnly(QStringLiteral("No lock file can be made beside the catalogue %1").arg(m_databasePath));
}

CatalogueSession::LockOutcome CatalogueSession::browseOnly(const QString& why)
{
    m_writeRefusal =
        why + QStringLiteral(", so no other Trelmo window can be kept off the catalogue: it opens "
                             "for browsing only.");
    m_prompter->ask(m_writeRefusal);
    return LockOutcome::BrowseOnly;
}

void CatalogueSession::close()
{
    m_damageCheck->stop();
    if (!m_model->commitNewRow())
        m_model->discardNewRow();
    m_table.reset();
    m_db.reset();
    m_lock.reset();
    m_records->close();
}

Failure CatalogueSession::reopenEngine()
{
    auto db = std::make_unique<Database>();
    auto table = std::make_unique<SongTable>();
    if (Failure failure = openEngine(*db, *table, m_databasePath, m_readOnly, &m_indexFailure))
        return failure;
    m_table = std::move(table);
    m_db = std::move(db);
    return {};
}

QList<DiscRecord> CatalogueSession::discsNamed(const QString& name)
{
    QList<DiscRecord> discs;
    if (m_db)
        DiscRecords::named(*m_db, name, &discs);
    return discs;
}

QString CatalogueSession::discNotes(const QString& name, const QString& folder)
{
    DiscNotes notes;
    if (m_db)
        DiscRecords::notesFor(*m_db, name, folder, &notes);
    return notes.summary();
}

Failure CatalogueSession::setDiscNote(const QString& name, const QString& root, DiscNotes::Field field,
                                      const QString& value, QString* kept)
{
    if (!m_db)
        return {FailureNumber::InvalidArgument, QStringLiteral("The catalogue is not open.")};
    return DiscRecords::setNote(*m_db, name, root, field, value, kept);
}

void CatalogueSession::rememberDisc(const DiscRecord& disc)
{
    if (m_db && !m_readOnly)
        DiscRecords::remember(*m_db, disc);
}

void CatalogueSession::noteDamage(const Failure& failure)
{
    if (!isDamage(failure))
        return;
    m_writeRefusal =
        QStringLiteral("The catalogue is damaged (%1): nothing is written into it.").arg(failure.description);
    updateGridWritable();
}

void CatalogueSession::updateGridWritable()
{
    m_model->setReadOnly(m_readOnly || m_jobRunning || !m_writeRefusal.isEmpty());
}

void CatalogueSession::setJobRunning(bool running)
{
    m_jobRunning = running;
    m_records->setBusyTimeout(running ? 20 : Database::defaultBusyTimeoutMs);
    updateGridWritable();
}

void CatalogueSession::startIntegrityCheck()
{
    m_damageCheck->start(m_databasePath);
}

void CatalogueSession::awaitIntegrityCheck()
{
    takeDamage(m_damageCheck->awaitQuick(), false);
}

void CatalogueSession::takeDamage(const Failure& failure, bool say)
{
    // Only damage counts: a file another program holds just now is checked no further. It is
    // said once, however it was found.
    if (!isDamage(failure) || m_writeRefusal.startsWith(QLatin1String("The catalogue is damaged")))
        return;
    noteDamage(failure);
    if (say)
        m_prompter->ask(failure.description);
}

std::function<Failure(const std::function<bool()>& cancelled)> CatalogueSession::damageWaiter() const
{
    return m_damageCheck->fullWaiter();
}

bool CatalogueSession::refuseWrite(bool awaitCheck)
{
    if (m_jobRunning) {
        m_prompter->ask(QStringLiteral("Trelmo is busy with a long command: try again once it is done."));
        return true;
    }
    if (awaitCheck)
        awaitIntegrityCheck();
    if (m_writeRefusal.isEmpty())
        return false;
    m_prompter->ask(m_writeRefusal);
    return true;
}

bool CatalogueSession::refreshKeepingRow(const std::optional<RecordSource>& source)
{
    const qint64 rowid = m_records->rowidAt(m_records->currentIndex());
    if (source) {
        BusyPointer busy;
        if (const Failure failure = m_records->requery(*source)) {
            m_prompter->ask(failure.description);
            return false;
        }
    } else if (!refresh()) {
        return false;
    }
    for (qint64 i = 0; rowid != 0 && i < m_records->recordCount(); ++i) {
        if (m_records->rowidAt(i) == rowid) {
            m_records->moveTo(i);
            break;
        }
    }
    return true;
}

bool CatalogueSession::refresh()
{
    BusyPointer busy;
    const Failure failure = m_records->refresh();
    if (failure) {
        m_prompter->ask(failure.description);
        noteDamage(failure);
    }
    return !failure;
}

void CatalogueSession::rereadCells()
{
    m_records->forgetCells();
    m_model->rereadAll();
}

void CatalogueSession::deleteCurrentRow()
{
    if (refuseWrite())
        return;
    Failure failure = m_records->deleteCurrent();
    if (!failure)
        failure = m_records->moveNext();
    // Past the end: the new last row. Deleting the only row leaves none, and nothing to say.
    if (!failure && m_records->isEOF() && m_records->recordCount() > 0)
        failure = m_records->moveLast();
    if (failure)
        m_prompter->ask(QStringLiteral("Delete Error ") + failure.description);
}

bool CatalogueSession::prepareNewRow()
{
    if (refuseWrite())
        return false;
    Failure failure = m_records->isActive() ? Failure() : m_records->refresh();
    if (!failure && m_records->recordCount() > 0)
        failure = m_records->moveLast();
    if (failure)
        m_prompter->ask(QStringLiteral("Add error ") + failure.description);
    return !failure;
}

void CatalogueSession::reportEditRefused(const Failure& failure)
{
    if (isBusy(failure)) {
        m_prompter->ask(QStringLiteral("The catalogue is busy: another program is writing to it (%1). Your "
                                       "change stays in its cell; store it again once the catalogue is free.")
                            .arg(failure.description));
        return;
    }
    m_prompter->ask(QStringLiteral(" adodc Data error event hit err:"), Prompter::OkOnly,
                    QStringLiteral("Trelmo"),
                    QStringLiteral("%1 %2").arg(failure.number).arg(failure.description));
}

void CatalogueSession::reportReadFailed(const Failure& failure)
{
    if (isBusy(failure) && m_jobRunning) {
        // The job's commit: the rows are read again in a moment.
        m_rereadTimer->start();
        return;
    }
    if (isBusy(failure)) {
        m_prompter->ask(QStringLiteral("The catalogue is busy: another program is writing to it (%1). Songs "
                                       "that could not be read are shown once it is free.")
                            .arg(failure.description));
    } else {
        m_prompter->ask(failure.description);
        noteDamage(failure);
    }
    m_rereadTimer->start();
}
