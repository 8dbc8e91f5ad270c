#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class MountWatch;
class QFont;
class QMessageBox;
class QPrinter;
class QWidget;

// The modal message box, behind an interface so tests can answer it.
class Prompter
{
public:
    enum Buttons
    {
        OkOnly,
        RetryCancel,
        YesNo,       // a question; No is the default button
        Offer,       // Yes and No, Yes the default: something the user will want, offered
        ApplyCancel, // a change to confirm; Apply is the default button
        // A change that may be a mistake: the warning icon, and Cancel the default button, so
        // that Apply is a deliberate choice.
        ApplyCancelWarned
    };
    enum Answer
    {
        Ok,
        Cancel,
        Retry,
        Yes,
        No,
        Apply
    };

    virtual ~Prompter() = default;

    // The window the questions asked now belong to (parented to it and centred on it), or
    // none: then the main window's. A question from a window of its own (the list of discs)
    // goes back to that window, with the keys, when it is answered.
    QWidget* owner() const { return m_owner; }
    // While it lives, questions belong to `owner` (nothing changes for a null one).
    class OwnedBy
    {
    public:
        OwnedBy(Prompter* prompter, QWidget* owner) : m_prompter(prompter), m_before(prompter->m_owner)
        {
            if (owner)
                prompter->m_owner = owner;
        }
        ~OwnedBy() { m_prompter->m_owner = m_before; }
        OwnedBy(const OwnedBy&) = delete;
        OwnedBy& operator=(const OwnedBy&) = delete;

    private:
        Prompter* m_prompter;
        QPointer<QWidget> m_before;
    };

    // Shows `text` and answers the button pressed. OkOnly has no icon; RetryCancel
    // carries the critical icon, YesNo the question mark. `details` (why it happened, for
    // the user and a bug report) is behind the box's "Show Details…".
    virtual Answer ask(const QString& text, Buttons buttons = OkOnly,
                       const QString& title = QStringLiteral("Trelmo"), const QString& details = {}) = 0;
    // Asks for a disc with Retry and Cancel, as ask() does, with `notes` (what the user keeps of
    // the disc: where it is) under the question; the question also goes by itself, answered
    // Retry, when `arrived` holds after `watch` has seen volumes come or go.
    virtual Answer askForDisc(const QString& text, const QString& title, MountWatch* watch,
                              const std::function<bool()>& arrived, const QString& notes = {}) = 0;
    // The print dialog for `printer`; false when the user cancels.
    virtual bool choosePrinter(QPrinter& printer) = 0;
    // The font dialog, started on `preset`; false when the user cancels.
    virtual bool chooseFont(const QFont& preset, QFont* chosen) = 0;
    // A folder to catalogue as a disc; false when the user cancels.
    virtual bool chooseFolder(QString* folder) = 0;
    // A line of text, started on `*text`; false when the user cancels.
    virtual bool askText(const QString& title, const QString& label, QString* text) = 0;
    // The platform's dialog for a file to write, which asks before an existing file is
    // replaced; it opens in the folder `*file` names. `filters` are "Name (*.ending)"; a
    // name typed without an ending gets the chosen filter's. False when the user cancels.
    virtual bool chooseFileToWrite(const QString& title, const QStringList& filters, QString* file) = 0;

private:
    QPointer<QWidget> m_owner;
};

class MessageBoxPrompter : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    Answer ask(const QString& text, Buttons buttons, const QString& title, const QString& details) override;
    Answer askForDisc(const QString& text, const QString& title, MountWatch* watch,
                      const std::function<bool()>& arrived, const QString& notes) override;
    bool choosePrinter(QPrinter& printer) override;
    bool chooseFont(const QFont& preset, QFont* chosen) override;
    bool chooseFolder(QString* folder) override;
    bool askText(const QString& title, const QString& label, QString* text) override;
    bool chooseFileToWrite(const QString& title, const QStringList& filters, QString* file) override;

private:
    Answer show(const QString& text, Buttons buttons, const QString& title, const QString& details,
                const std::function<void(QMessageBox&)>& whileShown);
    // What a dialog is shown over: the owner of the questions now, else the main window.
    QWidget* parentWidget() const { return owner() ? owner() : m_parent; }

    QWidget* m_parent;
};
