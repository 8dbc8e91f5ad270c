#include "app/buildrunner.h"

#include "app/busypointer.h"
#include "app/cataloguesession.h"
#include "app/prompter.h"
#include "scan/cataloguebuilder.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// The modal progress window of a build: the folder being read and the songs found so far,
// and a Cancel that stops after the current file; what was stored stays stored.
class BuildProgress : public QProgressDialog
{
public:
    BuildProgress(const QString& root, QWidget* window) : QProgressDialog(window)
    {
        setObjectName(QStringLiteral("scanProgress"));
        setWindowTitle(QStringLiteral("Find MP3s"));
        setLabelText(QStringLiteral("Reading %1").arg(root));
        setCancelButtonText(QStringLiteral("Cancel"));
        setRange(0, 0);
        setMinimumDuration(0);
        setWindowModality(Qt::WindowModal);
        setAutoClose(false);
        setAutoReset(false);
        setMinimumWidth(420);
        show();
        QCoreApplication::processEvents();
    }

    bool reading(const QString& folder, qint64 stored)
    {
        setLabelText(QStringLiteral("Reading %1\n%2 songs found").arg(folder).arg(stored));
        QCoreApplication::processEvents();
        return !wasCanceled();
    }

    void sorting()
    {
        const QString sorting = QStringLiteral("\nSorting the catalogue");
        if (!labelText().endsWith(sorting)) {
            setLabelText(labelText() + sorting);
            setCancelButton(nullptr); // the rows are stored: there is nothing to cancel
        }
        QCoreApplication::processEvents();
    }
};

} // namespace

bool BuildRunner::retry(const std::function<Failure()>& step)
{
    while (step()) {
        if (m_prompter->ask(QStringLiteral("File collection error"), Prompter::RetryCancel,
                            QStringLiteral("Drive Not Ready")) != Prompter::Retry)
            return false;
    }
    return true;
}

bool BuildRunner::run(const QString& root, const QString& discName, const Volume& volume,
                      const std::function<bool()>& allowDuplicates, bool readPlayTimes)
{
    const QString folder = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    BusyPointer busy;
    {
        BuildProgress progress(folder, m_window);
        CatalogueBuilder::Hooks hooks;
        hooks.allowDuplicates = allowDuplicates;
        hooks.readPlayTimes = readPlayTimes;
        // A report leaves the busy pointer up: the build goes on once it is read.
        hooks.report = [this](const QString& text) { m_prompter->ask(text); };
        hooks.progress = [&progress](const QString& now, qint64 stored) {
            return progress.reading(now, stored);
        };
        hooks.sorting = [&progress] { progress.sorting(); };
        if (!m_session->table()) {
            // The last reopen was given up: the catalogue is asked for again, once.
            if (const Failure failure = m_session->reopenEngine()) {
                progress.close();
                m_prompter->ask(walkFailureText(QStringLiteral("0"), failure.number, failure.description));
                return false;
            }
        }
        SongTable& table = *m_session->table();
        table.setBatchInterval(1000);
        CatalogueBuilder(table, m_duplicateCounter, hooks).run(folder, discName);
        table.flush();
        table.setBatchInterval(0);
        // Where the disc was walked from and what identifies it, to find its songs later
        // wherever it is mounted then.
        const QString volumeRoot =
            volume.root.endsWith(QLatin1Char('/')) ? volume.root : volume.root + QLatin1Char('/');
        m_session->rememberDisc({discName, folder, folder.startsWith(volumeRoot) ? volumeRoot : folder,
                                 volume.label, volume.uuid, volume.fileSystem, volume.size});
    }
    return retry([this] { return m_session->reopenEngine(); }) &&
           retry([this] { return m_session->records()->refresh(); });
}
