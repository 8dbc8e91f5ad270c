#pragma once

#include "store/discs.h"

#include <QString>

#include <vector>

// A song as two discs hold it: once on either or on both. Matched as the duplicates are (case,
// accents and blanks at either end aside; a numbered copy is its song), so a song a disc holds
// twice counts once.
struct ComparedSong
{
    QString artist;
    QString title;
    QString playTime;
    QString category;
    QString firstFolder;  // where the first disc holds it; empty when it does not
    QString secondFolder; // the same on the second
};

// What two discs share and what each has alone, each list in the order of artist and title.
struct DiscComparison
{
    std::vector<ComparedSong> onlyFirst;
    std::vector<ComparedSong> onlySecond;
    std::vector<ComparedSong> both;
};

namespace DiscCompare {

Failure compare(Database& db, const Disc& first, const Disc& second, DiscComparison* comparison);

} // namespace DiscCompare
