#pragma once

#include "app/commandcontext.h"

#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QWidget;
class RecordSet;
class Settings;

// File → Show Duplicates: the rows of the songs that are on more than one disc become the
// rows shown, found as a job beside the window (a million rows take a few seconds), and the
// song of the current row is said to be on which other discs.
class DuplicatesView
{
public:
    // `shown` hears when duplicates are shown.
    DuplicatesView(CommandContext context, Settings* settings, std::function<void()> shown)
        : m_context(context), m_settings(settings), m_shown(std::move(shown))
    {
    }

    // Shows the duplicates while `show` is checked, counting a song twice on one disc with
    // `oneDiscToo` (kept in the settings file); any other view takes the check mark off.
    void attach(QAction* show, QAction* oneDiscToo);
    // Finds the duplicates again and shows them, each song by the first of its rows in the
    // order of `orderBy` (field names), or by artist and title.
    void showAgain(const QStringList& orderBy = {});
    // The duplicates shown sorted as a click on a column head sorts the catalogue: the rows of
    // each song stay together.
    void sortBy(const QStringList& orderBy);
    // Runs the record source in force again, the current row kept with `keepRow`: the
    // duplicates beside the window (a million rows take seconds), any other on the spot.
    void showRowsAgain(bool keepRow);
    // The other discs the song at `index` of the rows shown is on, as the rows of its song
    // around it say, and how often it is on its own: "Also on: ROCK1, POP2 · Twice on JAZZ3";
    // empty when neither.
    static QString alsoOn(RecordSet& records, qint64 index);
    // The label that says it at the window's foot (lblalsoon): a box of its own, apart from
    // the totals beside it, and none while it says nothing.
    static QLabel* alsoOnLabel(QWidget* parent);
    static void showAlsoOn(QLabel* label, RecordSet& records, qint64 index);

private:
    CommandContext m_context;
    Settings* m_settings;
    std::function<void()> m_shown;
    QAction* m_show = nullptr;
    QAction* m_oneDiscToo = nullptr;
};
