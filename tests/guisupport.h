#pragma once

#include "testsupport.h"

#include "app/mainwindow.h"

#include <QApplication>

#include <memory>

// The main window over the program folder made before it, loaded as at start-up.
struct Started
{
    ScriptedPrompter prompter;
    FolderVolumes volumes;
    std::unique_ptr<MainWindow> window;
    bool loaded = false;

    // The start-up drive is the working folder; `discs` come after it in the drive list.
    explicit Started(const QList<Volume>& discs = {})
    {
        volumes.list = QList<Volume>{{QDir::currentPath(), "HERE", "/dev/here", "ext4"}} + discs;
        window = std::make_unique<MainWindow>(&prompter, &volumes);
        loaded = window->load();
    }
    template <typename T> T* find(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
};

// The first key opens the cell's editor; the rest go to the editor.
inline void typeInto(QWidget* view, const QString& text)
{
    QTest::keyClick(view, text.at(0).toLatin1());
    QTest::keyClicks(QApplication::focusWidget(), text.mid(1));
}
