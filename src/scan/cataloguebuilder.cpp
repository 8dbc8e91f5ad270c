#include "scan/cataloguebuilder.h"

#include "scan/folderreader.h"
#include "scan/songname.h"
#include "store/playtime.h"

#include <QFile>
#include <QLocale>
#include <QStringList>

#include <utility>

namespace {

constexpr int progressEveryMs = 100;

// Where storing ended, said plainly: the first song that was not kept, and why.
QString lossText(const std::string& first, const Failure& failure)
{
    const QString song = QString::fromUtf8(first.data(), qsizetype(first.size()));
    // Another program's write transaction is no fault of a folder's: it was waited for as long
    // as the catalogue's busy time-out.
    if (isBusy(failure))
        return QStringLiteral("Another program is writing to the catalogue (%1), so nothing was stored from "
                              "%2 on. Build the disc again once that program is done.")
            .arg(failure.description, song);
    const QString why =
        isDiskFull(failure)
            ? QStringLiteral("The disk that holds the catalogue is full (%1)").arg(failure.description)
            : failure.description;
    return walkFailureText(song, failure.number,
                           why + QStringLiteral(": nothing was stored from this song on."));
}

} // namespace

QString walkFailureText(const QString& title, int number, const QString& description)
{
    return QStringLiteral("This is a bug ") + title + QLatin1Char('#') + QString::number(number) +
           QLatin1Char(' ') + description;
}

void CatalogueBuilder::nameSong(std::string_view readableName, const std::optional<SongTags::Names>* tags,
                                bool namesFromTags, std::string* artist, std::string* title)
{
    if (tags && *tags) {
        *artist = (*tags)->artist;
        *title = (*tags)->title;
    } else if (namesFromTags) {
        SongName::splitTrimmed(SongName::stem(readableName), artist, title);
    } else {
        SongName::split(SongName::stem(readableName), artist, title);
    }
}

CatalogueBuilder::CatalogueBuilder(SongTable& table, DuplicateNumbers& numbers, Hooks hooks)
    : m_table(table), m_numbers(numbers), m_hooks(std::move(hooks))
{
}

CatalogueBuilder::Result CatalogueBuilder::run(const QString& root, const QString& discName)
{
    m_result = Result();
    m_stop = false;
    m_disc = discName.toStdString();
    m_progressClock.invalidate(); // the first folder reports at once
    if (!m_table.isOpen()) {
        // Without the catalogue no file can be stored: said once, not once a file.
        reportFailure("0", FailureNumber::InvalidArgument, QStringLiteral("The catalogue is not open."));
        return m_result;
    }
    m_table.beginBulk();
    std::string path = QFile::encodeName(root).toStdString();
    if (path.empty() || path.back() != '/')
        path += '/';
    FolderReader reader(path, m_hooks.reading);
    FolderListing folder;
    for (FolderReader::Next next; !m_stop && (next = reader.next(&folder)) != FolderReader::Next::Over;) {
        if (next == FolderReader::Next::Waiting) {
            keepGoing(); // the window stays alive, and Cancel works, while a disc is slow
            continue;
        }
        if (!folder.path.empty()) {
            // Names from discs written on older systems are no UTF-8: they are stored as they
            // read in Windows-1252.
            m_currentFolder = SongName::readable(folder.path);
            if (!keepGoing())
                break;
        }
        for (const FolderListing::Failure& failure : folder.failures)
            reportFailure(failure.subject, failure.number, failure.description);
        m_stop = m_stop || folder.discGone;
        for (size_t i = 0; i < folder.files.size() && !m_stop; ++i) {
            storeFile(m_currentFolder, folder.files[i], SongName::readable(folder.files[i]),
                      i < folder.lengths.size() ? folder.lengths[i] : -1,
                      i < folder.tags.size() ? &folder.tags[i] : nullptr);
            keepGoing();
        }
    }
    m_table.flush();
    reportLoss();
    if (m_table.inBulk() && m_hooks.sorting)
        m_hooks.sorting();
    // Should this fail (a full disk), the next opening of the catalogue tries again.
    m_table.endBulk(m_hooks.sorting);
    return m_result;
}

void CatalogueBuilder::storeFile(const std::string& path, const std::string& fileName,
                                 std::string_view readableName, double seconds,
                                 const std::optional<SongTags::Names>* tags)
{
    ++m_result.files;
    if (seconds >= 0)
        m_playTime = PlayTime::stored(seconds).toStdString();
    nameSong(readableName, tags, m_hooks.reading.tags, &m_artist, &m_title);
    const std::string_view folderName = SongName::stripPath(std::string_view(path));
    m_category = folderName.empty() ? std::string("Various Artists") : std::string(folderName);
    m_fullPath = path;
    if (m_fullPath.back() != '/')
        m_fullPath += '/';

    for (;;) {
        const Failure failure = storeRow(fileName, seconds >= 0);
        if (!failure) {
            ++m_result.stored;
            if (m_hooks.reading.lengths && seconds < 0)
                ++m_result.withoutPlayTime;
            // Its batch may have failed to commit since: counted off again, and said, at once.
            if (m_table.hasLoss())
                reportLoss();
            return;
        }
        if (failure.number == FailureNumber::DuplicateKey) {
            if (!m_hooks.allowDuplicates || !m_hooks.allowDuplicates()) {
                ++m_result.duplicates;
                return;
            }
            m_title += " ****" + std::to_string(m_numbers.next());
            continue;
        }
        if (!isWholeCatalogueFailure(failure)) {
            reportFailure(m_title, failure.number, failure.description);
            return;
        }
        stopStoring(failure);
        return;
    }
}

Failure CatalogueBuilder::storeRow(const std::string& fileName, bool timed)
{
    m_table.addNew();
    m_table.setTextView(Song::Artist, m_artist);
    m_table.setTextView(Song::Title, m_title);
    if (timed)
        m_table.setTextView(Song::Playtime, m_playTime);
    m_table.setTextView(Song::Category, m_category);
    m_table.setTextView(Song::MP3cd, m_disc);
    m_table.setInteger(Song::ONcd, 0);
    m_table.setTextView(Song::FullPath, m_fullPath);
    // A file the row cannot name again (no dash, no title, names from tags, a name that is no
    // UTF-8, a numbered duplicate) keeps its own name.
    m_rebuilt = SongName::rebuiltName(m_artist, m_title);
    if (m_rebuilt != fileName)
        m_table.setFileNameView(fileName);
    return m_table.update();
}

void CatalogueBuilder::stopStoring(const Failure& failure)
{
    // Keep what the catalogue can still take, then say once where storing ended.
    m_stop = true;
    m_table.flush();
    SongTable::Loss loss = m_table.takeLoss();
    m_result.stored -= loss.rows;
    const std::string first = loss.rows > 0 ? loss.first : m_fullPath + m_artist + "-" + m_title;
    if (m_hooks.report)
        m_hooks.report(lossText(first, failure));
}

void CatalogueBuilder::reportLoss()
{
    SongTable::Loss loss = m_table.takeLoss();
    if (loss.rows == 0)
        return;
    m_result.stored -= loss.rows;
    m_stop = true;
    if (m_hooks.report)
        m_hooks.report(lossText(loss.first, loss.failure));
}

void CatalogueBuilder::reportFailure(const std::string& subject, int number, const QString& description)
{
    // What was stored so far is committed before anyone is asked anything.
    m_table.flush();
    reportLoss();
    if (m_hooks.report)
        m_hooks.report(walkFailureText(QString::fromUtf8(subject.data(), qsizetype(subject.size())), number,
                                       description));
}

bool CatalogueBuilder::keepGoing()
{
    if (m_progressClock.isValid() && m_progressClock.elapsed() < progressEveryMs)
        return !m_stop;
    m_progressClock.start();
    m_table.commitIfDue();
    reportLoss();
    if (m_hooks.progress &&
        !m_hooks.progress(QString::fromUtf8(m_currentFolder.data(), qsizetype(m_currentFolder.size())),
                          m_result.stored)) {
        m_result.cancelled = true;
        m_stop = true;
    }
    return !m_stop;
}

QString CatalogueBuilder::Result::summary() const
{
    // The numbers as the totals write them: "104,500".
    const QLocale locale;
    QStringList parts{QStringLiteral("%1 added").arg(locale.toString(stored))};
    if (duplicates > 0)
        parts << QStringLiteral("%1 already in the catalogue").arg(locale.toString(duplicates));
    if (withoutPlayTime > 0)
        parts << QStringLiteral("%1 without a play time").arg(locale.toString(withoutPlayTime));
    QString text = (files == 1 ? QStringLiteral("1 song found: ")
                               : QStringLiteral("%1 songs found: ").arg(locale.toString(files))) +
                   parts.join(QStringLiteral(", "));
    if (cancelled)
        text += QStringLiteral(" (stopped before the end)");
    return text;
}
