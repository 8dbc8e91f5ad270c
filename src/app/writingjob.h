#pragma once

#include "app/commandcontext.h"
#include "store/database.h"

#include <QString>

#include <functional>

class CatalogueUndo;
class JobControl;
class QWidget;

// What a writing job's change is handed besides its connection: the point at which the
// catalogue is kept as it is, for Undo, before the change destroys much with one answer.
class UndoPoint
{
public:
    UndoPoint(JobControl& job, QString catalogue, bool offered);

    // Keeps a copy of the catalogue as it is now, for File → Undo "<what>", with the job's
    // progress. A copy that cannot be made is said; false when the user then would rather
    // not go on, or pressed Cancel meanwhile. Nothing is kept, and true answered, where Undo
    // is not offered. Either way Cancel is offered no more: the change is written now.
    bool keep(const QString& what);
    const QString& what() const { return m_what; }
    bool kept() const { return m_kept; }

private:
    JobControl& m_job;
    QString m_catalogue;
    bool m_offered;
    bool m_kept = false;
    QString m_what;
};

// A command that writes into the catalogue as a job: on a connection of its own, once the
// check for damage is over (nothing is written into a damaged catalogue).
struct WritingJob
{
    QString objectName; // of the progress window
    QString title;
    QString text;
    QWidget* owner = nullptr; // the window it was given from, when not the main window
    // What it did, in a line; empty when it changed nothing (said why itself).
    std::function<QString(JobControl& job, Database& db, UndoPoint& undo)> change;
    // On the window's thread afterwards, with what `change` said.
    std::function<void(const QString& done)> done;
    // What the user is told when the catalogue cannot be opened; its description by default.
    std::function<QString(const Failure& failure)> cannotOpen;
};

// Starts `job` on the window's runner, offering Undo through `undo` when the change kept a
// copy and did something. False when another job runs.
bool startWritingJob(const CommandContext& context, CatalogueUndo* undo, WritingJob job);
