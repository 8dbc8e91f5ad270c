#include "store/disccomparison.h"

#include "store/songtotals.h"

#include <algorithm>
#include <map>
#include <string>

namespace DiscCompare {

namespace {

struct Holding
{
    const Discs::DiscSong* first = nullptr;
    const Discs::DiscSong* second = nullptr;
};

ComparedSong compared(const Holding& holding)
{
    const Discs::DiscSong& shown = holding.first ? *holding.first : *holding.second;
    return {shown.artist,
            shown.title,
            shown.playTime,
            shown.category,
            holding.first ? holding.first->folder : QString(),
            holding.second ? holding.second->folder : QString()};
}

} // namespace

Failure compare(Database& db, const Disc& first, const Disc& second, DiscComparison* comparison)
{
    *comparison = DiscComparison();
    std::vector<Discs::DiscSong> firstSongs, secondSongs;
    if (Failure f = Discs::readSongs(db, first, &firstSongs))
        return f;
    if (Failure f = Discs::readSongs(db, second, &secondSongs))
        return f;
    // By key, so the lists come out in order; the copy of a song catalogued first (not a numbered
    // copy) is the one shown.
    std::map<std::string, Holding> songs;
    const auto take = [&songs](const std::vector<Discs::DiscSong>& list,
                               const Discs::DiscSong* Holding::*side) {
        for (const Discs::DiscSong& song : list) {
            Holding& holding = songs[Duplicates::songKey(song.artist.toUtf8().toStdString(),
                                                         song.title.toUtf8().toStdString())];
            if (!(holding.*side))
                holding.*side = &song;
        }
    };
    take(firstSongs, &Holding::first);
    take(secondSongs, &Holding::second);
    for (const auto& [key, holding] : songs) {
        std::vector<ComparedSong>& list =
            holding.first && holding.second
                ? comparison->both
                : (holding.first ? comparison->onlyFirst : comparison->onlySecond);
        list.push_back(compared(holding));
    }
    return {};
}

} // namespace DiscCompare
