#include "app/printjob.h"

#include "app/busypointer.h"
#include "app/prompter.h"
#include "output/listing.h"
#include "store/recordset.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProgressDialog>
#include <QScopedValueRollback>
#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

namespace {
// A file the user may change: its owner's write bit (a read-only mark holds even for the
// superuser) and the right to write it.
bool mayReplace(const QString& path)
{
    const QFileInfo file(path);
    return !file.exists() || (file.isFile() && (file.permissions() & QFileDevice::WriteOwner) &&
                              ::access(QFile::encodeName(path).constData(), W_OK) == 0);
}
} // namespace

void PrintJob::run(RecordSet& records, const QFont& font)
{
    QScopedValueRollback<bool> running(m_running, true);
    QPrinter printer(QPrinter::HighResolution);
    if (!m_prompter->choosePrinter(printer))
        return;
    if (records.recordCount() == 0)
        return;
    // A listing printed to a file is written beside it and put in its place only when whole:
    // a failed or stopped job leaves the file that was there as it was.
    const QString target = printer.outputFileName();
    QTemporaryFile partial(target + QStringLiteral(".XXXXXX"));
    if (!target.isEmpty()) {
        if (!mayReplace(target) || !partial.open()) {
            reportFailure(printer, target);
            return;
        }
        partial.close();
        printer.setOutputFileName(partial.fileName());
    }
    BusyPointer busy;
    QProgressDialog progress(QStringLiteral("Printing the listing"), QStringLiteral("Cancel"), 0,
                             int(qMin<qint64>(records.recordCount(), INT_MAX)), m_window);
    progress.setWindowTitle(QStringLiteral("Print  it"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    auto pageDone = [&progress](qint64 rows) {
        progress.setValue(int(qMin<qint64>(rows, INT_MAX)));
        return !progress.wasCanceled();
    };
    const Listing::Result result =
        Listing::print(records, printer, font, pageDone, [&printer] { printer.abort(); });
    progress.close();
    bool failed = result.deviceFailed || printer.printerState() == QPrinter::Error;
    if (!failed && !result.abandoned && !target.isEmpty()) {
        failed = ::rename(QFile::encodeName(partial.fileName()).constData(),
                          QFile::encodeName(target).constData()) != 0;
        partial.setAutoRemove(failed);
    }
    if (failed)
        reportFailure(printer, target);
}

void PrintJob::reportFailure(const QPrinter& printer, const QString& target)
{
    m_prompter->ask(QStringLiteral("The listing was not printed: ") +
                    (target.isEmpty()
                         ? QStringLiteral("the printer \"%1\" refused the job.").arg(printer.printerName())
                         : QStringLiteral("the file \"%1\" could not be written.").arg(target)));
}
