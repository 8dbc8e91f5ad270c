#include "app/buildjob.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "app/writingjob.h"
#include "base/folder.h"
#include "scan/cataloguebuilder.h"
#include "store/discrecords.h"
#include "store/recordset.h"
#include "store/songtable.h"

#include <QDir>

#include <memory>

namespace {

// What a build hands back to the window: the rows of the record source it was started
// under, read once the songs are stored, so the window only has to take them.
struct BuiltRows
{
    RecordSource source;
    std::vector<qint64> rowids;
    bool read = false;
    QString summary; // what the build found and did, in a line
};

// Stores the disc's songs through `db`, the job's own connection.
void buildDisc(JobControl& job, Database& db, const QString& folder, const QString& discName,
               const Volume& volume, CatalogueBuilder::Hooks hooks, DuplicateNumbers& numbers,
               BuiltRows& rows)
{
    SongTable table;
    if (const Failure failure = table.open(db)) {
        job.ask(walkFailureText(QStringLiteral("0"), failure.number, failure.description));
        return;
    }
    hooks.report = [&job](const QString& text) { job.ask(text); };
    hooks.progress = [&job](const QString& now, qint64 stored) {
        job.progress(QStringLiteral("Reading %1\n%2 songs found").arg(now).arg(stored));
        return !job.cancelled();
    };
    hooks.sorting = [&job] {
        // The rows are stored: there is nothing left to cancel.
        job.setCancellable(false);
        job.progress(QStringLiteral("Sorting the catalogue"));
    };
    table.setBatchInterval(1000);
    rows.summary = CatalogueBuilder(table, numbers, hooks).run(folder, discName).summary();
    table.flush();
    table.setBatchInterval(0);
    // Where the disc was walked from and what identifies it, to find its songs later
    // wherever it is mounted then; a catalogue that cannot take it only loses that help.
    const QString volumeRoot = withSlash(volume.root);
    DiscRecords::remember(db, {discName, folder, folder.startsWith(volumeRoot) ? volumeRoot : folder,
                               volume.label, volume.uuid, volume.fileSystem, volume.size});
    rows.read = !selectRowids(db, rows.source, &rows.rowids);
}

} // namespace

bool BuildJob::confirmFolder(const QString& root) const
{
    const QString folder = QDir::cleanPath(root);
    const QString home = QDir::cleanPath(QDir::homePath());
    const bool holdsHome =
        folder == QLatin1String("/") || home == folder || home.startsWith(folder + QLatin1Char('/'));
    if (!holdsHome)
        return true;
    return m_context.prompter->ask(QStringLiteral("%1 holds %2. Catalogue every MP3 file in it?")
                                       .arg(folder, folder == QLatin1String("/")
                                                        ? QStringLiteral("the whole system")
                                                        : QStringLiteral("your home folder")),
                                   Prompter::YesNo, QStringLiteral("Find MP3s")) == Prompter::Yes;
}

bool BuildJob::retry(const std::function<Failure()>& step)
{
    while (const Failure failure = step()) {
        if (m_context.prompter->ask(QStringLiteral("File collection error"), Prompter::RetryCancel,
                                    QStringLiteral("Drive Not Ready"),
                                    failure.description) != Prompter::Retry)
            return false;
    }
    return true;
}

bool BuildJob::start(const QString& root, const QString& discName, const Volume& volume,
                     const SongReading& reading,
                     const std::function<void(bool built, const QString& summary)>& finished)
{
    const QString folder = withSlash(root);
    auto rows = std::make_shared<BuiltRows>();
    rows->source = m_context.session->records()->recordSource();
    WritingJob job;
    job.objectName = QStringLiteral("scanProgress");
    job.title = QStringLiteral("Find MP3s");
    job.text = QStringLiteral("Reading %1").arg(folder);
    job.cannotOpen = [](const Failure& failure) {
        return walkFailureText(QStringLiteral("0"), failure.number, failure.description);
    };
    job.change = [this, rows, folder, discName, volume, reading](JobControl& control, Database& db,
                                                                 UndoPoint&) {
        CatalogueBuilder::Hooks hooks;
        hooks.allowDuplicates = [this] { return m_allowDuplicates.load(); };
        hooks.reading = reading;
        buildDisc(control, db, folder, discName, volume, hooks, m_duplicateNumbers, *rows);
        return QString();
    };
    // A catalogue that could not be reached is asked for until it is there or the user gives
    // up; the window's own connection is opened afresh on the file now there.
    job.done = [this, rows, finished](const QString&) {
        RecordSet* records = m_context.session->records();
        // Rows read for another record source than the one now in force (a search made
        // meanwhile) are read again.
        const bool built = retry([this] { return m_context.session->reopenEngine(); }) &&
                           ((rows->read && rows->source == records->recordSource() &&
                             !records->adoptRows(std::move(rows->rowids))) ||
                            retry([records] { return records->refresh(); }));
        if (finished)
            finished(built, rows->summary);
    };
    return startWritingJob(m_context, nullptr, std::move(job));
}
