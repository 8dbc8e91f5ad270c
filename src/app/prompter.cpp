#include "app/prompter.h"

#include "app/busypointer.h"
#include "output/gridfont.h"
#include "scan/mountwatch.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>

#include <cstdio>

Prompter::Answer MessageBoxPrompter::ask(const QString& text, Buttons buttons, const QString& title,
                                         const QString& details)
{
    return show(text, buttons, title, details, {});
}

Prompter::Answer MessageBoxPrompter::askForDisc(const QString& text, const QString& title, MountWatch* watch,
                                                const std::function<bool()>& arrived, const QString& notes)
{
    return show(text, RetryCancel, title, {}, [&](QMessageBox& box) {
        if (!notes.isEmpty()) {
            box.setInformativeText(notes);
            // The user's own words are shown as written, never read as markup.
            if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
                label->setTextFormat(Qt::PlainText);
        }
        // The question goes by itself, as if Retry was pressed, once the disc is in.
        QObject::connect(watch, &MountWatch::changed, &box, [&box, &arrived] {
            if (box.isVisible() && arrived())
                box.done(QMessageBox::Retry);
        });
    });
}

namespace {

// How a box of each kind looks: its icon and buttons, which is the default and which Escape
// presses.
struct BoxLook
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton pressedByEnter = QMessageBox::Ok;
    QMessageBox::StandardButton pressedByEscape = QMessageBox::Ok;
};

BoxLook lookOf(Prompter::Buttons buttons)
{
    switch (buttons) {
    case Prompter::RetryCancel:
        return {QMessageBox::Critical, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry,
                QMessageBox::Cancel};
    case Prompter::ApplyCancel:
        return {QMessageBox::Question, QMessageBox::Apply | QMessageBox::Cancel, QMessageBox::Apply,
                QMessageBox::Cancel};
    case Prompter::ApplyCancelWarned:
        return {QMessageBox::Warning, QMessageBox::Apply | QMessageBox::Cancel, QMessageBox::Cancel,
                QMessageBox::Cancel};
    case Prompter::YesNo:
        return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, QMessageBox::No};
    case Prompter::Offer:
        return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case Prompter::OkOnly:
        break;
    }
    return {};
}

Prompter::Answer answerOf(int pressed)
{
    switch (pressed) {
    case QMessageBox::Retry:
        return Prompter::Retry;
    case QMessageBox::Yes:
        return Prompter::Yes;
    case QMessageBox::No:
        return Prompter::No;
    case QMessageBox::Apply:
        return Prompter::Apply;
    case QMessageBox::Cancel:
        return Prompter::Cancel;
    default:
        return Prompter::Ok;
    }
}

// A question with much to read before it is answered (the songs an update would add and
// remove): the details behind "Show Details…", at least fifteen lines of them in sight, in a
// window that can be made larger. A message box keeps its size fixed.
class DetailedQuestion : public QDialog
{
public:
    DetailedQuestion(QWidget* parent, const QString& text, const QString& details, const BoxLook& look)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("detailedQuestion"));
        setSizeGripEnabled(true);
        auto* icon = new QLabel(this);
        const QStyle::StandardPixmap pixmap = look.icon == QMessageBox::Warning ? QStyle::SP_MessageBoxWarning
                                              : look.icon == QMessageBox::Critical
                                                  ? QStyle::SP_MessageBoxCritical
                                                  : QStyle::SP_MessageBoxQuestion;
        const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(side, side));
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_details = new QPlainTextEdit(details, this);
        m_details->setObjectName(QStringLiteral("details"));
        m_details->setReadOnly(true);
        m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_details->setMinimumHeight(
            15 * m_details->fontMetrics().lineSpacing() +
            2 * (m_details->frameWidth() + int(m_details->document()->documentMargin())) +
            m_details->horizontalScrollBar()->sizeHint().height());
        m_details->hide();
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::StandardButtons(int(look.buttons)), this);
        auto* more = buttons->addButton(QStringLiteral("Show Details…"), QDialogButtonBox::ActionRole);
        more->setObjectName(QStringLiteral("showDetails"));
        connect(more, &QPushButton::clicked, this, [this, more] {
            m_details->setVisible(!m_details->isVisible());
            more->setText(m_details->isVisible() ? QStringLiteral("Hide Details…")
                                                 : QStringLiteral("Show Details…"));
            adjustSize();
        });
        for (QAbstractButton* button : buttons->buttons()) {
            const int which = buttons->standardButton(button);
            if (which == QDialogButtonBox::NoButton)
                continue;
            if (auto* push = qobject_cast<QPushButton*>(button))
                push->setDefault(which == int(look.pressedByEnter));
            connect(button, &QAbstractButton::clicked, this, [this, which] { done(which); });
        }
        m_escape = look.pressedByEscape;
        auto* grid = new QGridLayout(this);
        grid->addWidget(icon, 0, 0, Qt::AlignTop);
        grid->addWidget(label, 0, 1);
        grid->addWidget(buttons, 1, 0, 1, 2);
        grid->addWidget(m_details, 2, 0, 1, 2);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
    }

protected:
    void reject() override { done(m_escape); }

private:
    QPlainTextEdit* m_details;
    int m_escape;
};

} // namespace

Prompter::Answer MessageBoxPrompter::show(const QString& text, Buttons buttons, const QString& title,
                                          const QString& details,
                                          const std::function<void(QMessageBox&)>& whileShown)
{
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
    if (shortened)
        std::fprintf(stderr, "%s\n", whole.toLocal8Bit().constData());
    const BoxLook look = lookOf(buttons);
    // A busy pointer must not hide that an answer is wanted.
    BusyPointer::Paused asking;
    if (!details.isEmpty() && !whileShown) {
        DetailedQuestion question(parentWidget(), lines.join(QLatin1Char('\n')), details, look);
        question.setWindowTitle(title);
        return answerOf(question.exec());
    }
    QMessageBox box(parentWidget());
    box.setWindowTitle(title);
    box.setText(lines.join(QLatin1Char('\n')));
    if (shortened)
        box.setDetailedText(whole);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(look.icon);
    box.setStandardButtons(look.buttons);
    box.setDefaultButton(look.pressedByEnter);
    box.setEscapeButton(look.pressedByEscape);
    if (whileShown)
        whileShown(box);
    return answerOf(box.exec());
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
