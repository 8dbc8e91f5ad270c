#include "app/printjob.h"

#include "app/jobrunner.h"
#include "app/prompter.h"
#include "output/listing.h"
#include "store/recordset.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>

#include <cstdio>
#include <memory>

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

// Whether the PDF file at `path` was written to its end: the PDF writer does not say when
// the disk filled up under it, and leaves a file cut off where the disk was full.
bool wholePdf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || !file.seek(file.size() - 16))
        return false;
    return file.read(16).trimmed().endsWith("%%EOF");
}

// What the job needs after the window let go of the dialog: the printer, and for a
// listing printed to a file, the file it is written into first.
struct PrintTarget
{
    QPrinter printer{QPrinter::HighResolution};
    QString file;
    std::unique_ptr<QTemporaryFile> partial;
    bool failed = false;
};
} // namespace

void PrintJob::start(const RecordSet& records, const QFont& font)
{
    auto target = std::make_shared<PrintTarget>();
    if (!m_context.prompter->choosePrinter(target->printer))
        return;
    const qint64 total = records.recordCount();
    if (total == 0)
        return;
    // A listing printed to a file is written beside it and put in its place only when whole:
    // a failed or stopped job leaves the file that was there as it was.
    target->file = target->printer.outputFileName();
    if (!target->file.isEmpty()) {
        target->partial = std::make_unique<QTemporaryFile>(target->file + QStringLiteral(".XXXXXX"));
        if (!mayReplace(target->file) || !target->partial->open()) {
            reportFailure(target->printer.printerName(), target->file);
            return;
        }
        target->partial->close();
        target->printer.setOutputFileName(target->partial->fileName());
    }
    JobRunner::Job job;
    job.objectName = QStringLiteral("printProgress");
    job.title = QStringLiteral("Print  it");
    job.text = QStringLiteral("Printing the listing");
    job.work = [target, font, total, catalogue = records.catalogue(),
                source = records.recordSource()](JobControl& control) {
        RecordSet rows;
        rows.setCatalogue(catalogue, true);
        rows.setCacheSize(64);
        rows.setRecordSource(source);
        if (rows.refresh()) {
            target->failed = true;
            return;
        }
        QPrinter& printer = target->printer;
        auto pageDone = [&control, total](qint64 printed) {
            control.progress(QStringLiteral("Printing the listing: %1 of %2 songs").arg(printed).arg(total),
                             printed, total);
            return !control.cancelled();
        };
        const Listing::Result result =
            Listing::print(rows, printer, font, pageDone, [&printer] { printer.abort(); });
        target->failed = result.deviceFailed || printer.printerState() == QPrinter::Error;
        if (!target->failed && !result.abandoned && target->partial)
            target->failed = !wholePdf(target->partial->fileName());
        if (!target->failed && !result.abandoned && target->partial) {
            target->failed = ::rename(QFile::encodeName(target->partial->fileName()).constData(),
                                      QFile::encodeName(target->file).constData()) != 0;
            target->partial->setAutoRemove(target->failed);
        }
    };
    job.done = [this, target] {
        if (target->failed)
            reportFailure(target->printer.printerName(), target->file);
    };
    m_context.jobs->start(std::move(job));
}

void PrintJob::reportFailure(const QString& printerName, const QString& target)
{
    m_context.prompter->ask(QStringLiteral("The listing was not printed: ") +
                            (target.isEmpty()
                                 ? QStringLiteral("the printer \"%1\" refused the job.").arg(printerName)
                                 : QStringLiteral("the file \"%1\" could not be written.").arg(target)));
}
