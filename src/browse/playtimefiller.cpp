#include "browse/playtimefiller.h"

#include "browse/songfinder.h"
#include "scan/audioformat.h"
#include "scan/audiolength.h"
#include "store/playtime.h"
#include "store/recordset.h"

#include <QElapsedTimer>

PlayTimeFiller::PlayTimeFiller(Hooks hooks) : m_hooks(std::move(hooks)) {}

PlayTimeFiller::Result PlayTimeFiller::run(RecordSet& rows, Database& engine)
{
    Result result;
    SongFinder finder(m_hooks.lookup);
    PlayTimeWriter writer(engine);
    QElapsedTimer clock;
    const qint64 total = rows.recordCount();
    for (qint64 i = 0; i < total; ++i) {
        if (!clock.isValid() || clock.elapsed() >= 100) {
            clock.start();
            if (m_hooks.progress && !m_hooks.progress(i, total)) {
                result.cancelled = true;
                break;
            }
        }
        ++result.rows;
        const PlayRow row{rows.value(i, Song::Artist).toString(), rows.value(i, Song::Title).toString(),
                          rows.value(i, Song::MP3cd).toString(), rows.value(i, Song::FullPath).toString(),
                          rows.fileName(i)};
        const SongLocator::Result found = finder.find(row);
        if (found.outcome == SongLocator::Outcome::NotFound)
            continue;
        if (found.outcome == SongLocator::Outcome::DiscWithoutSong) {
            ++result.missing;
            continue;
        }
        if (found.outcome == SongLocator::Outcome::NotASong) {
            ++result.notSongs;
            continue;
        }
        if (!AudioFormat::isTaken(found.file.constData(), m_hooks.allFormats)) {
            ++result.otherFormats;
            continue;
        }
        const std::optional<double> seconds = AudioLength::seconds(found.file.constData());
        if (!seconds) {
            ++result.unreadable;
            continue;
        }
        if ((result.failure = writer.store(rows.rowidAt(i), *seconds)))
            break;
    }
    if (!result.failure)
        result.failure = writer.commit();
    result.filled = writer.committed();
    result.absentDiscs = finder.absentDiscs();
    return result;
}

QString PlayTimeFiller::summary(const Result& result)
{
    QString text =
        QStringLiteral("Play times filled in: %1 of %2 songs.").arg(result.filled).arg(result.rows);
    if (!result.absentDiscs.isEmpty())
        text += QStringLiteral("\nNot in a drive: %1.").arg(result.absentDiscs.join(QStringLiteral(", ")));
    if (result.missing > 0)
        text += QStringLiteral("\nSongs not found on their disc: %1.").arg(result.missing);
    if (result.otherFormats > 0)
        text += QStringLiteral(
                    "\nSongs of other formats than MP3, left alone (Options → All Audio Files is off): %1.")
                    .arg(result.otherFormats);
    if (result.notSongs > 0)
        text += QStringLiteral("\nRows that name a file that is not a song, left alone: %1.")
                    .arg(result.notSongs);
    if (result.unreadable > 0)
        text += QStringLiteral("\nSongs whose length could not be read: %1.").arg(result.unreadable);
    if (result.cancelled)
        text += QStringLiteral("\nStopped before the end; what was filled in is kept.");
    if (result.failure)
        text += QStringLiteral("\nThe catalogue did not take more: %1").arg(result.failure.description);
    return text;
}
