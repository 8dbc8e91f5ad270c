#include "settings/settings.h"

#include "settings/profile.h"

#include <QFileInfo>
#include <QLocale>

const Settings::Entry Settings::duplicatesEntry{"Allow Duplicate Names", "Box Checked"};
const Settings::Entry Settings::playTimesEntry{"Read Play Times", "Box Checked"};
const Settings::Entry Settings::fontNameEntry{"GridFont", "FontName"};
const Settings::Entry Settings::fontSizeEntry{"GridFont", "FontSize"};
const Settings::Entry Settings::columnOrderEntry{"Swap Artist/Title", "ColOrder"};
const Settings::Entry Settings::exportFolderEntry{"Export", "Folder"};
const Settings::Entry Settings::tagsEntry{"Names From Tags", "Box Checked"};
const Settings::Entry Settings::codePageEntry{"Tag Code Page", "Name"};
const Settings::Entry Settings::discsSizeEntry{"Discs Window", "Size"};
const Settings::Entry Settings::oneDiscEntry{"Duplicates On One Disc", "Box Checked"};
const Settings::Entry Settings::allAudioEntry{"All Audio Files", "Box Checked"};

Settings::Settings(QString path, Reporter report) : m_path(std::move(path)), m_report(std::move(report)) {}

bool Settings::exists() const
{
    const QFileInfo info(m_path);
    return info.isFile() && !info.isHidden();
}

bool Settings::createEmpty() const
{
    bool written = true;
    for (const Entry* entry : {&duplicatesEntry, &fontNameEntry, &fontSizeEntry, &columnOrderEntry})
        written = write(*entry, QString()) && written;
    return written;
}

QString Settings::read(const Entry& entry) const
{
    // A value is read into room for 49 characters; one that begins with "Failed" is taken
    // for the fallback and so reads as empty.
    const QString failed = QStringLiteral("Failed");
    const QString value =
        profileRead(QLatin1String(entry.section), QLatin1String(entry.key), failed, 50, m_path);
    return value.startsWith(failed) ? QString() : value;
}

bool Settings::write(const Entry& entry, const QString& value) const
{
    return profileWrite(QLatin1String(entry.section), QLatin1String(entry.key), value, m_path);
}

bool Settings::allowDuplicates() const
{
    return read(duplicatesEntry) == QLatin1String("Yes");
}

bool Settings::setAllowDuplicates(bool allow) const
{
    return writeCheckMark(duplicatesEntry, allow);
}

bool Settings::writeCheckMark(const Entry& entry, bool checked) const
{
    const bool written = write(entry, checked ? QStringLiteral("Yes") : QStringLiteral("No"));
    if (!written && m_report)
        m_report(QStringLiteral("OOPs an error writing INI file"));
    return written;
}

bool Settings::readPlayTimes() const
{
    return read(playTimesEntry) == QLatin1String("Yes");
}

bool Settings::setReadPlayTimes(bool read) const
{
    return writeCheckMark(playTimesEntry, read);
}

bool Settings::duplicatesOnOneDisc() const
{
    return read(oneDiscEntry) == QLatin1String("Yes");
}

bool Settings::setDuplicatesOnOneDisc(bool sameDisc) const
{
    return writeCheckMark(oneDiscEntry, sameDisc);
}

bool Settings::namesFromTags() const
{
    return read(tagsEntry) == QLatin1String("Yes");
}

bool Settings::setNamesFromTags(bool fromTags) const
{
    return writeCheckMark(tagsEntry, fromTags);
}

namespace {
// [Recent Queries] Query1=…, Query2=…: a query may be longer than the other entries.
constexpr int queryRoom = 2048;
QString queryKey(int number)
{
    return QStringLiteral("Query%1").arg(number);
}
} // namespace

QStringList Settings::recentQueries() const
{
    QStringList queries;
    const QString section = QStringLiteral("Recent Queries");
    for (int i = 1; i <= maxRecentQueries; ++i) {
        const QString query = profileRead(section, queryKey(i), QString(), queryRoom, m_path).trimmed();
        if (!query.isEmpty() && !queries.contains(query))
            queries << query;
    }
    return queries;
}

bool Settings::setRecentQueries(const QStringList& queries) const
{
    bool written = true;
    for (int i = 1; i <= maxRecentQueries; ++i)
        written = profileWrite(QStringLiteral("Recent Queries"), queryKey(i), queries.value(i - 1), m_path) &&
                  written;
    return written;
}

bool Settings::allAudioFiles() const
{
    return read(allAudioEntry) == QLatin1String("Yes");
}

bool Settings::setAllAudioFiles(bool all) const
{
    return writeCheckMark(allAudioEntry, all);
}

QString Settings::tagCodePage() const
{
    return read(codePageEntry);
}

bool Settings::setTagCodePage(const QString& name) const
{
    const bool written = write(codePageEntry, name);
    if (!written && m_report)
        m_report(QStringLiteral("OOPs an error writing INI file"));
    return written;
}

QSize Settings::discsWindowSize() const
{
    // "900x420"; anything else, or a size no screen could show, is none.
    const QStringList parts = read(discsSizeEntry).split(QLatin1Char('x'));
    const int width = parts.value(0).toInt(), height = parts.value(1).toInt();
    if (parts.size() != 2 || width < 200 || height < 100 || width > 20000 || height > 20000)
        return QSize();
    return QSize(width, height);
}

bool Settings::setDiscsWindowSize(const QSize& size) const
{
    return write(discsSizeEntry, QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
}

bool Settings::titleFirst() const
{
    return read(columnOrderEntry) == QLatin1String("Title");
}

bool Settings::setTitleFirst(bool titleFirst) const
{
    return write(columnOrderEntry, titleFirst ? QStringLiteral("Title") : QStringLiteral("Artist"));
}

QString Settings::fontName() const
{
    return read(fontNameEntry);
}

QString Settings::fontSize() const
{
    return read(fontSizeEntry);
}

bool Settings::setFont(const QString& family, double points) const
{
    // Written the same in every locale: 8, 10.5, 13.25.
    const QString size = QLocale::c().toString(points, 'g', 6);
    const bool nameWritten = write(fontNameEntry, family);
    const bool sizeWritten = write(fontSizeEntry, size);
    if (m_report && !nameWritten)
        m_report(QStringLiteral("Error writing FontName"));
    else if (m_report && !sizeWritten)
        m_report(QStringLiteral("Error writing FontSize"));
    return nameWritten && sizeWritten;
}

QString Settings::exportFolder() const
{
    return read(exportFolderEntry);
}

bool Settings::setExportFolder(const QString& folder) const
{
    return write(exportFolderEntry, folder);
}
