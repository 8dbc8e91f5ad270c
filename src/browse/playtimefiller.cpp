#include "browse/playtimefiller.h"

#include "browse/playreaction.h"
#include "scan/mp3length.h"
#include "store/playtime.h"
#include "store/recordset.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>

PlayTimeFiller::PlayTimeFiller(Hooks hooks) : m_hooks(std::move(hooks))
{
    // The drives and the disc records do not change during a run: asked once, not once a row.
    SongLocator::Hooks& lookup = m_hooks.lookup;
    if (lookup.volumes) {
        lookup.volumes = [all = std::make_shared<std::optional<QList<Volume>>>(), ask = lookup.volumes] {
            if (!*all)
                *all = ask();
            return **all;
        };
    }
    if (lookup.discs) {
        lookup.discs = [known = std::make_shared<QHash<QString, QList<DiscRecord>>>(),
                        ask = lookup.discs](const QString& disc) {
            auto it = known->find(disc);
            if (it == known->end())
                it = known->insert(disc, ask(disc));
            return *it;
        };
    }
    if (lookup.mountFolders) {
        lookup.mountFolders = [all = std::make_shared<std::optional<QStringList>>(),
                               ask = lookup.mountFolders] {
            if (!*all)
                *all = ask();
            return **all;
        };
    }
}

PlayTimeFiller::Result PlayTimeFiller::run(RecordSet& rows, Database& engine)
{
    Result result;
    const SongLocator locator(m_hooks.lookup);
    PlayTimeWriter writer(engine);
    QSet<QString> absentFolders; // disc and folder of songs whose disc is not in
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
                          rows.value(i, Song::MP3cd).toString(), rows.value(i, Song::FullPath).toString()};
        // A duplicate or a row typed in without a folder has no file of its own.
        if (row.fullPath.isEmpty() || PlayReaction::isDuplicateMarked(row.title)) {
            ++result.missing;
            continue;
        }
        const QString folderKey = row.disc + QLatin1Char('\n') + row.fullPath;
        if (absentFolders.contains(folderKey))
            continue;
        const SongLocator::Result found = locator.locate(row);
        if (found.outcome == SongLocator::Outcome::NotFound) {
            absentFolders.insert(folderKey);
            if (!result.absentDiscs.contains(row.disc))
                result.absentDiscs << row.disc;
            continue;
        }
        if (found.outcome == SongLocator::Outcome::DiscWithoutSong) {
            ++result.missing;
            continue;
        }
        const std::optional<double> seconds = Mp3Length::measure(found.file.constData()).seconds;
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
    if (result.unreadable > 0)
        text += QStringLiteral("\nSongs whose length could not be read: %1.").arg(result.unreadable);
    if (result.cancelled)
        text += QStringLiteral("\nStopped before the end; what was filled in is kept.");
    if (result.failure)
        text += QStringLiteral("\nThe catalogue did not take more: %1").arg(result.failure.description);
    return text;
}
