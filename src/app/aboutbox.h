#pragma once

#include <QDialog>
#include <QStringList>

class Prompter;
class QLabel;

// The about box: title, version, what the program does, and a way to the system's own
// information program. It does not block the main window.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    // `files` says which catalogue and settings file are in use.
    AboutBox(Prompter* prompter, const QString& files, QWidget* parent = nullptr);

    // Starts the first system-information program found on PATH, or says there is none.
    void startSystemInformation();

    // The programs looked for, in order.
    static const QStringList& systemInfoPrograms();

private:
    // The icon at the left, the labels `beside` it one under another, `below` across the
    // foot, and the buttons at the right.
    void layOut(QLabel* icon, const QList<QLabel*>& beside, QLabel* below);

    Prompter* m_prompter;
};
