#include "browse/songfinder.h"

#include <QHash>

#include <memory>
#include <optional>

namespace {

// The hooks with the volumes, the disc records and the mount folders each asked once.
SongLocator::Hooks askedOnce(SongLocator::Hooks hooks)
{
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
    const QString folderKey = row.disc + QLatin1Char('\n') + row.fullPath;
    if (m_absentFolders.contains(folderKey))
        return {};
    SongLocator::Result found = m_locator.locate(row);
    if (found.outcome == SongLocator::Outcome::NotFound) {
        m_absentFolders.insert(folderKey);
        if (!m_absentDiscs.contains(row.disc))
            m_absentDiscs << row.disc;
    }
    return found;
}

QByteArray SongFinder::storedFile(const PlayRow& row)
{
    return (row.fullPath + row.artist + QLatin1Char('-') + row.title + QStringLiteral(".mp3")).toUtf8();
}
