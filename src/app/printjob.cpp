#include "app/printjob.h"

#include "app/busypointer.h"
#include "app/prompter.h"
#include "output/listing.h"
#include "store/recordset.h"

#include <QFile>
#include <QPrinter>
#include <QProgressDialog>
#include <QScopedValueRollback>

void PrintJob::run(RecordSet& records, const QFont& font)
{
    QScopedValueRollback<bool> running(m_running, true);
    QPrinter printer(QPrinter::HighResolution);
    if (!m_prompter->choosePrinter(printer))
        return;
    if (records.recordCount() == 0)
        return;
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
    const bool failed = result.deviceFailed || printer.printerState() == QPrinter::Error;
    if (!failed && !result.abandoned)
        return;
    if (!printer.outputFileName().isEmpty())
        QFile::remove(printer.outputFileName());
    if (!failed)
        return;
    m_prompter->ask(
        QStringLiteral("The listing was not printed: ") +
        (printer.outputFileName().isEmpty()
             ? QStringLiteral("the printer \"%1\" refused the job.").arg(printer.printerName())
             : QStringLiteral("the file \"%1\" could not be written.").arg(printer.outputFileName())));
}
