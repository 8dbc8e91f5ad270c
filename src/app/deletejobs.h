#pragma once

#include "app/commandcontext.h"

#include <QString>

#include <functional>
#include <vector>

class CatalogueUndo;

// The commands that remove many songs with one answer: Clear Database, and deleting the rows
// selected. Each asks first and runs as a writing job that keeps the catalogue for Undo
// before it removes anything.
class DeleteJobs
{
public:
    // `finished` hears on the window's thread what was done, in a line, after the rows shown
    // were brought up to date.
    DeleteJobs(CommandContext context, CatalogueUndo* undo, std::function<void(const QString& done)> finished)
        : m_context(context), m_undo(undo), m_finished(std::move(finished))
    {
    }

    // Removes every song and the records of their discs, after asking.
    void clearAll();
    // Deletes the rows of the result at `indexes`, after asking how many; one row alone is
    // deleted on the spot, as Delete record does.
    void deleteRows(const std::vector<qint64>& indexes);

private:
    CommandContext m_context;
    CatalogueUndo* m_undo;
    std::function<void(const QString&)> m_finished;
};
