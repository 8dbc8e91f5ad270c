#include "app/prompter.h"

#include "app/busypointer.h"
#include "output/gridfont.h"
#include "scan/mountwatch.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpressionValidator>

#include <cstdio>

Prompter::Answer MessageBoxPrompter::ask(const QString& text, Buttons buttons, const QString& title,
                                         const QString& details)
{
    return show(text, buttons, title, details, {});
}

Prompter::Answer MessageBoxPrompter::askForDisc(const QString& text, const QString& title, MountWatch* watch,
                                                const std::function<bool()>& arrived)
{
    return show(text, RetryCancel, title, {}, [&](QMessageBox& box) {
        // The question goes by itself, as if Retry was pressed, once the disc is in.
        QObject::connect(watch, &MountWatch::changed, &box, [&box, &arrived] {
            if (box.isVisible() && arrived())
                box.done(QMessageBox::Retry);
        });
    });
}

Prompter::Answer MessageBoxPrompter::show(const QString& text, Buttons buttons, const QString& title,
                                          const QString& details,
                                          const std::function<void(QMessageBox&)>& whileShown)
{
    QMessageBox box(parentWidget());
    box.setWindowTitle(title);
    // The program's line breaks are CR LF; a plain-text box wants one character. A line too
    // long for any screen (a path thousands of characters long) is shortened in its middle;
    // the whole text stays in the box's details and goes to the standard error stream.
    const QString whole = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = whole.split(QLatin1Char('\n'));
    bool shortened = false;
    for (QString& line : lines) {
        if (line.size() > 240) {
            line = line.left(118) + QStringLiteral(" … ") + line.right(118);
            shortened = true;
        }
    }
    box.setText(lines.join(QLatin1Char('\n')));
    if (shortened)
        std::fprintf(stderr, "%s\n", whole.toLocal8Bit().constData());
    QStringList detailed;
    if (!details.isEmpty())
        detailed << details;
    if (shortened)
        detailed << whole;
    if (!detailed.isEmpty())
        box.setDetailedText(detailed.join(QStringLiteral("\n\n")));
    box.setTextFormat(Qt::PlainText);
    if (buttons == RetryCancel) {
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == ApplyCancel || buttons == ApplyCancelWarned) {
        box.setIcon(buttons == ApplyCancel ? QMessageBox::Question : QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Apply | QMessageBox::Cancel);
        box.setDefaultButton(buttons == ApplyCancel ? QMessageBox::Apply : QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == YesNo || buttons == Offer) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == Offer ? QMessageBox::Yes : QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (whileShown)
        whileShown(box);
    // A busy pointer must not hide that an answer is wanted.
    int answer = 0;
    {
        BusyPointer::Paused asking;
        answer = box.exec();
    }
    if (buttons == RetryCancel)
        return answer == QMessageBox::Retry ? Retry : Cancel;
    if (buttons == YesNo || buttons == Offer)
        return answer == QMessageBox::Yes ? Yes : No;
    if (buttons == ApplyCancel || buttons == ApplyCancelWarned)
        return answer == QMessageBox::Apply ? Apply : Cancel;
    return Ok;
}

bool MessageBoxPrompter::choosePrinter(QPrinter& printer)
{
    QPrintDialog dialog(&printer, parentWidget());
    // The whole listing is printed: there is no selection or page range to offer.
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}

bool MessageBoxPrompter::chooseFont(const QFont& preset, QFont* chosen)
{
    QFontDialog dialog(preset, parentWidget());
    // The dialog's size box takes whole points only and drops a typed decimal point
    // ("10.5" became 105): it is let take the sizes the font system takes.
    QLineEdit* sizeEdit = nullptr;
    for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
        if (qobject_cast<const QIntValidator*>(edit->validator()))
            sizeEdit = edit;
    }
    if (sizeEdit)
        sizeEdit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{1,4}([.,][0-9]{0,2})?")), sizeEdit));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *chosen = dialog.selectedFont();
    if (sizeEdit) {
        if (const std::optional<double> points = GridFont::parseSize(sizeEdit->text()))
            chosen->setPointSizeF(*points);
    }
    return true;
}

bool MessageBoxPrompter::chooseFolder(QString* folder)
{
    *folder =
        QFileDialog::getExistingDirectory(parentWidget(), QStringLiteral("Folder to catalogue as a disc"));
    return !folder->isEmpty();
}

bool MessageBoxPrompter::askText(const QString& title, const QString& label, QString* text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(parentWidget(), title, label, QLineEdit::Normal, *text, &ok);
    if (ok)
        *text = answer;
    return ok;
}

bool MessageBoxPrompter::chooseFileToWrite(const QString& title, const QStringList& filters, QString* file)
{
    QString filter = filters.value(0);
    *file = QFileDialog::getSaveFileName(parentWidget(), title, *file, filters.join(QStringLiteral(";;")),
                                         &filter);
    if (file->isEmpty())
        return false;
    // "Name (*.csv)": a name without that ending gets it, and is asked about afresh when a
    // file of that name is there already (the dialog asked about the name as typed).
    const qsizetype star = filter.lastIndexOf(QLatin1String("*."));
    const QString ending = star < 0 ? QString() : filter.mid(star + 1).chopped(1);
    if (!ending.isEmpty() && !file->endsWith(ending, Qt::CaseInsensitive) &&
        !QFileInfo(*file).suffix().size()) {
        *file += ending;
        if (QFileInfo::exists(*file) && ask(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                                .arg(QFileInfo(*file).fileName()),
                                            YesNo, title, {}) != Yes)
            return false;
    }
    return true;
}
