#include "browse/playreaction.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <future>
#include <memory>
#include <thread>

#include <sys/stat.h>

PathKind probePath(const QString& path, std::chrono::milliseconds within)
{
    if (path.isEmpty())
        return PathKind::Missing;
    auto answer = std::make_shared<std::promise<PathKind>>();
    std::future<PathKind> kind = answer->get_future();
    std::thread([answer, name = QFile::encodeName(path)] {
        struct stat info;
        PathKind found = PathKind::Missing;
        if (::stat(name.constData(), &info) == 0) {
            found = S_ISREG(info.st_mode)   ? PathKind::RegularFile
                    : S_ISDIR(info.st_mode) ? PathKind::Folder
                                            : PathKind::Other;
        }
        answer->set_value(found);
    }).detach();
    if (kind.wait_for(within) != std::future_status::ready)
        return PathKind::NoAnswer;
    return kind.get();
}

QString PlayReaction::rebuiltPath(const PlayRow& row)
{
    return row.fullPath + row.artist + QLatin1Char('-') + row.title + QStringLiteral(".mp3");
}

bool PlayReaction::isDuplicateMarked(const QString& title)
{
    static const QRegularExpression marker(QStringLiteral(" \\*\\*\\*\\*[0-9]+$"));
    return marker.match(title).hasMatch();
}

QString PlayReaction::driveOf(const QString& fullPath) const
{
    if (fullPath.isEmpty())
        return QString();
    // A path from elsewhere (e:\Rock\) names its drive by its first character.
    if (!fullPath.startsWith(QLatin1Char('/')))
        return fullPath.left(1);
    if (m_hooks.probe(fullPath) == PathKind::Folder)
        return m_hooks.volumeRoot(fullPath);
    QString prefix;
    for (const QString& part : fullPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + part;
        if (m_hooks.probe(prefix) != PathKind::Folder)
            return prefix;
    }
    return fullPath;
}

QString PlayReaction::prompt(const PlayRow& row) const
{
    const QString unknown = QStringLiteral("Unknown");
    if (row.title == unknown || row.artist == unknown)
        return QStringLiteral("This Artist/Title does not exist as UNKNOWN ") + m_lineBreak +
               QStringLiteral("Rename mp3 in format ' Drive:\\path\\artist-title.mp3 '");
    return QStringLiteral("Insert CD ") + row.disc + QStringLiteral(" In ") + driveOf(row.fullPath) +
           QStringLiteral(" Drive");
}

QString PlayReaction::findSong(const QString& path) const
{
    const PathKind kind = m_hooks.probe(path);
    if (kind == PathKind::RegularFile)
        return path;
    // A drive that does not answer is not asked three times more.
    if (kind == PathKind::NoAnswer || !path.endsWith(QLatin1String(".mp3")))
        return QString();
    const QString stem = path.chopped(3);
    for (const char* ending : {"MP3", "Mp3", "mP3"}) {
        const QString other = stem + QLatin1String(ending);
        if (m_hooks.probe(other) == PathKind::RegularFile)
            return other;
    }
    return QString();
}

void PlayReaction::play(const PlayRow& row, bool armed) const
{
    if (row.artist.isEmpty() || !armed || isDuplicateMarked(row.title))
        return;
    const QString path = rebuiltPath(row);
    QString question;
    QString song;
    while ((song = findSong(path)).isEmpty()) {
        if (question.isEmpty())
            question = prompt(row);
        if (!m_hooks.retry(question))
            return;
    }
    m_hooks.open(song);
}
