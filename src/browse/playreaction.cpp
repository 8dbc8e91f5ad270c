#include "browse/playreaction.h"

#include "scan/songfile.h"

#include <QRegularExpression>

bool PlayReaction::isDuplicateMarked(const QString& title)
{
    static const QRegularExpression marker(QStringLiteral(" \\*\\*\\*\\*[0-9]+$"));
    return marker.match(title).hasMatch();
}

namespace {
// A row an earlier build made of a file name without an artist or a title, and that has not
// kept the name: its file cannot be named again. A row that kept its file's own name is
// asked for by its disc like any other.
bool namedUnknown(const PlayRow& row)
{
    const QString unknown = QStringLiteral("Unknown");
    return row.fileName.isNull() && (row.title == unknown || row.artist == unknown);
}
} // namespace

QString PlayReaction::prompt(const PlayRow& row) const
{
    if (namedUnknown(row))
        return QStringLiteral("This Artist/Title does not exist as UNKNOWN \r\n") +
               QStringLiteral("Rename mp3 in format ' /path/artist-title.mp3 '");
    return QStringLiteral("Insert CD ") + row.disc + QStringLiteral(" In ") + m_locator.driveOf(row) +
           QStringLiteral(" Drive");
}

void PlayReaction::play(const PlayRow& row, bool armed) const
{
    // A row without a folder (one typed by hand) has no file to look for, nor a disc to ask for.
    if (row.artist.isEmpty() || row.fullPath.isEmpty() || !armed || isDuplicateMarked(row.title))
        return;
    QString question;
    QString notes;
    for (;;) {
        const SongLocator::Result found = m_locator.locate(row);
        switch (found.outcome) {
        case SongLocator::Outcome::Found:
            m_hooks.open(found.file);
            return;
        case SongLocator::Outcome::NotASong:
            // A catalogue from elsewhere can name any file: only songs are handed on.
            m_hooks.tell(SongFile::refusal(found.path, found.problem));
            return;
        case SongLocator::Outcome::DiscWithoutSong:
            // A name the build could not read is asked to be renamed, as below.
            if (namedUnknown(row))
                break;
            // Asking for the disc that is in the drive would help nobody.
            m_hooks.tell(QStringLiteral("The disc %1 is in the drive (%2), but the song %3 is not on it: it "
                                        "was renamed or removed since the disc was catalogued.")
                             .arg(row.disc, found.discRoot, found.pathOnDisc));
            return;
        case SongLocator::Outcome::NotFound:
            break;
        }
        // A disc that is in but stalled is not asked to be put in.
        if (!found.silentDrive.isEmpty()) {
            question = QStringLiteral("Drive %1 does not respond.").arg(found.silentDrive);
            notes.clear();
        } else if (question.isEmpty() || question.endsWith(QLatin1String(" does not respond."))) {
            question = prompt(row);
            // Where the disc is helps the user who is asked to put it in.
            notes = m_hooks.discNotes && !namedUnknown(row) ? m_hooks.discNotes(row) : QString();
        }
        const auto arrived = [this, &row] {
            return m_locator.locate(row).outcome != SongLocator::Outcome::NotFound;
        };
        if (!m_hooks.waitForDisc(question, notes, arrived))
            return;
    }
}
