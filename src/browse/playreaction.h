#pragma once

#include "browse/songlocator.h"

#include <QString>

#include <functional>

// Playing the song of a row: the file rebuilt from the row's cells is handed to the
// desktop when it is there; otherwise the user is asked for the disc until it is there
// or they give up.
class PlayReaction
{
public:
    struct Hooks
    {
        SongLocator::Hooks lookup;
        // Opens the song, named by the file system's bytes.
        std::function<void(const QByteArray& file)> open;
        // Asks for the disc with Retry and Cancel, with what the user keeps of it (`notes`: where
        // it is) beneath; true for Retry, or when `arrived` holds after volumes came (the
        // question then closes by itself).
        std::function<bool(const QString& prompt, const QString& notes, const std::function<bool()>& arrived)>
            waitForDisc;
        // The notes of the disc that holds the row's song, in a line; none when not given.
        std::function<QString(const PlayRow& row)> discNotes;
        // Says something, with OK.
        std::function<void(const QString& text)> tell;
    };

    explicit PlayReaction(Hooks hooks) : m_hooks(std::move(hooks)), m_locator(m_hooks.lookup) {}

    // Plays the song of `row` when `armed` and the row names an artist and a folder; a row
    // stored as a duplicate has no file of its own and plays nothing.
    void play(const PlayRow& row, bool armed) const;

    // A title the build stored as a duplicate ends in " ****" and its number.
    static bool isDuplicateMarked(const QString& title);
    // What the user is asked when the song is nowhere to be found.
    QString prompt(const PlayRow& row) const;

private:
    Hooks m_hooks;
    SongLocator m_locator;
};
