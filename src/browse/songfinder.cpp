#include "browse/songfinder.h"

#include "browse/playreaction.h"
#include "scan/songfile.h"
#include "scan/timelimit.h"

#include <QFile>
#include <QHash>

#include <dirent.h>

#include <memory>
#include <optional>

namespace {

// What the names under a folder are, as one listing of the folder tells: over a whole run
// each folder is read once, on a thread of its own, instead of each name being looked up.
// A folder that is not there says at once that nothing under it is.
class ProbeMemo
{
public:
    explicit ProbeMemo(std::function<PathKind(const QByteArray&)> probe) : m_probe(std::move(probe)) {}

    // Only what folders are is kept: the files under them are many, and each is asked for
    // once or twice in a run.
    PathKind kind(QByteArray path, bool isFolder = false)
    {
        while (path.size() > 1 && path.endsWith('/')) {
            path.chop(1);
            isFolder = true;
        }
        if (const auto known = m_folders.constFind(path); known != m_folders.cend())
            return *known;
        const PathKind answer = work(path);
        if (isFolder || answer == PathKind::Folder)
            m_folders.insert(path, answer);
        return answer;
    }

private:
    struct Listing
    {
        bool answered = false; // false: the drive did not answer in time
        bool listed = false;   // false: the folder could not be read, its names are looked up
        QHash<QByteArray, unsigned char> types; // name → dirent type
    };

    PathKind work(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return m_probe(path);
        const QByteArray folder = path.left(slash);
        const PathKind folderKind = kind(folder, true);
        if (folderKind == PathKind::NoAnswer)
            return PathKind::NoAnswer;
        if (folderKind != PathKind::Folder)
            return PathKind::Missing;
        const Listing& listing = listingOf(folder);
        if (!listing.answered)
            return PathKind::NoAnswer;
        if (!listing.listed)
            return m_probe(path);
        const auto type = listing.types.constFind(path.mid(slash + 1));
        if (type == listing.types.cend())
            return PathKind::Missing;
        switch (*type) {
        case DT_REG:
            return PathKind::RegularFile;
        case DT_DIR:
            return PathKind::Folder;
        case DT_LNK:
        case DT_UNKNOWN:
            return m_probe(path); // where a link leads, or what the file system did not say
        default:
            return PathKind::Other;
        }
    }

    const Listing& listingOf(const QByteArray& folder)
    {
        if (const auto known = m_listings.constFind(folder); known != m_listings.cend())
            return *known;
        const std::optional<Listing> read = TimeLimit::answer<Listing>(
            [folder] {
                Listing listing;
                listing.answered = true;
                DIR* dir = ::opendir(folder.constData());
                if (!dir)
                    return listing;
                while (const dirent* entry = ::readdir(dir))
                    listing.types.insert(QByteArray(entry->d_name), entry->d_type);
                ::closedir(dir);
                listing.listed = true;
                return listing;
            },
            std::chrono::milliseconds(1500));
        // A folder that does not answer in time is not asked again during the run.
        return *m_listings.insert(folder, read.value_or(Listing()));
    }

    std::function<PathKind(const QByteArray&)> m_probe;
    QHash<QByteArray, PathKind> m_folders;
    QHash<QByteArray, Listing> m_listings;
};

// The hooks with the volumes, the disc records and the mount folders each asked once, and
// every name looked up through the listing of its folder.
SongLocator::Hooks askedOnce(SongLocator::Hooks hooks)
{
    if (hooks.probe) {
        hooks.probe = [memo = std::make_shared<ProbeMemo>(hooks.probe)](const QByteArray& path) {
            return memo->kind(path);
        };
    }
    if (hooks.volumes) {
        hooks.volumes = [all = std::make_shared<std::optional<QList<Volume>>>(), ask = hooks.volumes] {
            if (!*all)
                *all = ask();
            return **all;
        };
    }
    if (hooks.discs) {
        hooks.discs = [known = std::make_shared<QHash<QString, QList<DiscRecord>>>(),
                       ask = hooks.discs](const QString& disc) {
            auto it = known->find(disc);
            if (it == known->end())
                it = known->insert(disc, ask(disc));
            return *it;
        };
    }
    if (hooks.mountFolders) {
        hooks.mountFolders = [all = std::make_shared<std::optional<QStringList>>(),
                              ask = hooks.mountFolders] {
            if (!*all)
                *all = ask();
            return **all;
        };
    }
    return hooks;
}

} // namespace

SongFinder::SongFinder(SongLocator::Hooks hooks) : m_locator(askedOnce(std::move(hooks))) {}

SongLocator::Result SongFinder::find(const PlayRow& row)
{
    // A numbered duplicate, or a row typed in without a folder, has no file of its own.
    if (row.fullPath.isEmpty() || PlayReaction::isDuplicateMarked(row.title))
        return {SongLocator::Outcome::DiscWithoutSong, {}, {}, {}, {}, {}, {}};
    SongLocator::Result found = m_locator.locate(row);
    if (found.outcome == SongLocator::Outcome::NotFound && !m_absentDiscSet.contains(row.disc)) {
        m_absentDiscSet.insert(row.disc);
        m_absentDiscs << row.disc;
    }
    return found;
}

QByteArray SongFinder::storedFile(const PlayRow& row)
{
    const QByteArray name = row.fileName.isNull() ? QFile::encodeName(fileNameText(row)) : row.fileName;
    if (!SongFile::nameProblem(row.fullPath, name).isEmpty())
        return {};
    return QFile::encodeName(row.fullPath) + name;
}
