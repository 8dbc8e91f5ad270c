#pragma once

#include "app/commandcontext.h"

#include <QString>

#include <functional>

class RecordSet;

// File → Show Duplicates: the rows of the songs that are on more than one disc become the
// rows shown, found as a job beside the window (a million rows take a few seconds), and the
// song of the current row is said to be on which other discs.
class DuplicatesView
{
public:
    explicit DuplicatesView(CommandContext context) : m_context(context) {}

    // Finds the duplicates and shows them; `shown` hears whether they are shown now.
    bool show(bool sameDiscToo, const std::function<void(bool shown)>& shown);
    // The other discs the song at `index` of the rows shown is on, as the rows of its song
    // around it say: "Also on: ROCK1, POP2"; empty when none.
    static QString alsoOn(RecordSet& records, qint64 index);

private:
    CommandContext m_context;
};
