#pragma once

#include <QFont>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class RecordSet;

// The printed catalogue: every row of the record set, in its order, as a paged landscape
// listing in the grid's font. Each page starts with its page line ("page  1 ", then
// "Page  2 " and on, from the middle of the page), an empty line, the heading of the five
// printed fields and another empty line; then come the rows, each field at its own
// character column, and the page breaks right after its last row.
class Listing
{
public:
    struct Result
    {
        qint64 rows = 0;
        qint64 pages = 0;
        bool abandoned = false; // stopped by the caller: nothing is to be kept
        bool deviceFailed = false;
    };

    // Called after each finished page with the rows printed so far; false stops the job.
    using Progress = std::function<bool(qint64 rows)>;

    // Prints on `device`, which is turned to landscape. The record set is walked from its
    // first row and left past its last; its move events are raised for the first and the
    // last row only, not once a row. An empty record set prints nothing. A job that fails or
    // is stopped is handed to `abandon` before it is closed, so the device can drop it.
    static Result print(RecordSet& records, QPagedPaintDevice& device, const QFont& gridFont,
                        const Progress& progress = {}, const std::function<void()>& abandon = {});

    // Character columns where the five fields start, and where their names stand in the
    // heading: Artist, Title, ONcd, MP3cd, Category.
    static constexpr int rowColumns[5] = {10, 52, 92, 110, 130};
    static constexpr int headingColumns[5] = {10, 52, 92, 110, 132};
};
