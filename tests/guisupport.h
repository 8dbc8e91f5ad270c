#pragma once

#include "testsupport.h"

#include "app/drivepanel.h"
#include "app/jobrunner.h"
#include "app/mainwindow.h"
#include "app/prompter.h"
#include "app/recordbar.h"
#include "app/songgrid.h"
#include "app/songplayer.h"
#include "store/recordset.h"
#include "store/songmodel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <deque>
#include <memory>
#include <optional>

// Answers message boxes from a script and remembers what they said.
class ScriptedPrompter : public Prompter
{
public:
    struct Shown
    {
        QString text;
        Buttons buttons;
        QString title;
        QString details;
        QWidget* owner = nullptr; // the window the question belonged to; none: the main window
        QString notes = {};       // shown under the question for a disc
    };

    Answer ask(const QString& text, Buttons buttons = OkOnly, const QString& title = QStringLiteral("Trelmo"),
               const QString& details = {}) override
    {
        shown.push_back({text, buttons, title, details, owner(), std::exchange(discNotes, QString())});
        if (beforeAnswer)
            beforeAnswer(text);
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == YesNo || buttons == Offer ? No : buttons == OkOnly ? Ok : Cancel;
    }
    QStringList texts() const
    {
        QStringList list;
        for (const Shown& s : shown)
            list << s.text;
        return list;
    }

    // Answered from the script like any question; a disc put in meanwhile (by beforeAnswer)
    // is found again when the answer is Retry.
    Answer askForDisc(const QString& text, const QString& title, MountWatch*, const std::function<bool()>&,
                      const QString& notes) override
    {
        discNotes = notes;
        return ask(text, RetryCancel, title);
    }

    // The print dialog prints to `pdfFile`, or is cancelled when it is empty.
    bool choosePrinter(QPrinter& printer) override
    {
        ++printDialogs;
        if (pdfFile.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
        return true;
    }
    // The font dialog answers `font`, or is cancelled when there is none.
    bool chooseFont(const QFont& preset, QFont* chosen) override
    {
        fontPresets.push_back(preset);
        if (!font)
            return false;
        *chosen = *font;
        return true;
    }

    // The folder dialog answers `folder`, or is cancelled when it is empty.
    bool chooseFolder(QString* chosen) override
    {
        *chosen = folder;
        return !folder.isEmpty();
    }

    // The text dialog answers `text`, or is cancelled when it is null.
    bool askText(const QString& title, const QString&, QString* answer) override
    {
        textTitles << title;
        textOwners << owner();
        if (text.isNull())
            return false;
        *answer = text;
        return true;
    }

    // The file dialog answers `fileToWrite`, or is cancelled when it is empty.
    bool chooseFileToWrite(const QString&, const QStringList&, QString* file) override
    {
        startFolders << *file;
        *file = fileToWrite;
        return !fileToWrite.isEmpty();
    }

    std::deque<Answer> answers;
    std::function<void(const QString&)> beforeAnswer;
    std::vector<Shown> shown;
    QString discNotes; // of the disc asked for now
    QString pdfFile;
    QString folder;
    QString text;
    QStringList textTitles;
    QList<QWidget*> textOwners;
    QString fileToWrite;
    QStringList startFolders; // where each file dialog opened
    int printDialogs = 0;
    std::optional<QFont> font;
    std::vector<QFont> fontPresets;
};

// The main window over a program folder, loaded as at start-up.
struct Started
{
    QString programFolder;
    ScriptedPrompter prompter;
    FolderVolumes volumes;
    std::unique_ptr<MainWindow> window;
    bool loaded = false;

    // The start-up drive is the working folder; `discs` come after it in the drive list.
    explicit Started(const QString& folder, const QList<Volume>& discs = {}) : programFolder(folder)
    {
        volumes.list = QList<Volume>{mounted(QDir::currentPath(), "HERE", "/dev/here", "ext4")} + discs;
        restart();
    }
    // The window closed and the program started again.
    void restart()
    {
        window.reset();
        window = std::make_unique<MainWindow>(programFolder, &prompter, &volumes);
        loaded = window->load();
    }
    template <typename T> T* find(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // Waits for the long command just started (a build, an export, …) to end.
    void waitForJob() { QTRY_VERIFY_WITH_TIMEOUT(!window->jobs()->isRunning(), 60000); }
};

// A catalogue of `artists`' songs and what `sql` stores, and the main window over it,
// loaded and shown, with `discs` in the drive list.
struct ShownWindow : ProgramFolder, Started
{
    explicit ShownWindow(const QStringList& artists = {}, const QString& sql = {},
                         const QList<Volume>& discs = {}, const QByteArray& settings = {})
        : ProgramFolder(artists, sql, settings), Started(path(), discs)
    {
        QVERIFY(loaded);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QApplication::setActiveWindow(window.get());
    }
    QTableView* view() const { return window->grid()->view(); }
};

// The first key opens the cell's editor; the rest go to the editor.
inline void typeInto(QWidget* view, const QString& text)
{
    QTest::keyClick(view, text.at(0).toLatin1());
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
}
