#include "scan/cataloguebuilder.h"

#include "scan/songname.h"

#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sqlite3.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr int progressEveryMs = 100;

// Name order for listings: letters compare without regard to case, ties by bytes.
bool nameLess(const std::string& a, const std::string& b)
{
    const int folded = ::strcasecmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

bool validUtf8(std::string_view bytes)
{
    return QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Failures of the catalogue as a whole rather than of one row: going on would only
// repeat them for every file that follows.
bool wholeCatalogueFailure(int number)
{
    switch (number & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return true;
    default:
        return false;
    }
}

// Where storing ended, said plainly: the first song that was not kept, and why.
QString lossText(const std::string& first, const Failure& failure)
{
    const QString song = QString::fromUtf8(first.data(), qsizetype(first.size()));
    const QString why =
        (failure.number & 0xff) == SQLITE_FULL
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

CatalogueBuilder::CatalogueBuilder(SongTable& table, qint64& duplicateCounter, Hooks hooks)
    : m_table(table), m_duplicateCounter(duplicateCounter), m_hooks(std::move(hooks))
{
}

CatalogueBuilder::Result CatalogueBuilder::run(const QString& root, const QString& discName)
{
    m_result = Result();
    m_stop = false;
    m_visited.clear();
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
    struct stat info;
    m_root = path;
    m_vanished.clear();
    if (::stat(path.c_str(), &info) != 0) {
        const int error = errno;
        reportFailure(path, error, systemText(error));
    } else {
        m_device = info.st_dev;
        walkFolder(path, info.st_dev);
    }
    m_table.flush();
    reportLoss();
    if (m_table.inBulk() && m_hooks.sorting)
        m_hooks.sorting();
    // Should this fail (a full disk), the next opening of the catalogue tries again.
    m_table.endBulk();
    return m_result;
}

void CatalogueBuilder::walkFolder(const std::string& path, unsigned long device)
{
    m_currentFolder = path;
    if (!keepGoing())
        return;
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        folderFailed(path, errno);
        return;
    }
    const int fd = ::dirfd(dir);
    struct stat self;
    if (::fstat(fd, &self) == 0 && !m_visited.insert({self.st_dev, self.st_ino}).second) {
        ::closedir(dir); // met already: the same folder mounted inside itself
        return;
    }

    std::vector<std::string> files;
    std::vector<std::string> folders;
    int undecodable = 0;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat st;
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISLNK(st.st_mode)) {
                // A link to a file stands for the file; a link to a folder is never followed.
                if (::fstatat(fd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
                    continue;
                type = DT_REG;
            } else {
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
            }
        }
        if (type == DT_REG && SongName::isMp3(name)) {
            if (validUtf8(name))
                files.emplace_back(name);
            else
                ++undecodable;
        } else if (type == DT_DIR) {
            folders.emplace_back(name);
        }
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError)
        reportFailure(path, readError, systemText(readError));
    if (undecodable) {
        reportFailure(path, EILSEQ,
                      QStringLiteral("%1 file name(s) in this folder are not valid UTF-8 text; "
                                     "those files were not catalogued")
                          .arg(undecodable));
    }

    std::sort(files.begin(), files.end(), nameLess);
    std::sort(folders.begin(), folders.end(), nameLess);
    for (const std::string& name : files) {
        storeFile(path, name);
        if (m_stop || !keepGoing())
            return;
    }
    for (const std::string& name : folders) {
        const std::string child = path + (path.back() == '/' ? "" : "/") + name;
        struct stat st;
        if (::lstat(child.c_str(), &st) != 0) {
            folderFailed(child, errno);
            if (m_stop)
                return;
            continue;
        }
        // Another file system mounted here is not part of this volume.
        if (!S_ISDIR(st.st_mode) || st.st_dev != device)
            continue;
        if (!validUtf8(name)) {
            reportFailure(
                child, EILSEQ,
                QStringLiteral("The folder name is not valid UTF-8 text; its songs were not catalogued"));
            continue;
        }
        walkFolder(child, device);
        if (m_stop)
            return;
    }
}

void CatalogueBuilder::storeFile(const std::string& path, std::string_view fileName)
{
    ++m_result.files;
    SongName::split(SongName::stem(fileName), &m_artist, &m_title);
    const std::string_view folderName = SongName::stripPath(std::string_view(path));
    m_category = folderName.empty() ? std::string("Various Artists") : std::string(folderName);
    m_fullPath = path;
    if (m_fullPath.back() != '/')
        m_fullPath += '/';

    for (;;) {
        m_table.addNew();
        m_table.setTextView(Song::Artist, m_artist);
        m_table.setTextView(Song::Title, m_title);
        m_table.setTextView(Song::Category, m_category);
        m_table.setTextView(Song::MP3cd, m_disc);
        m_table.setInteger(Song::ONcd, 0);
        m_table.setTextView(Song::FullPath, m_fullPath);
        const Failure failure = m_table.update();
        if (!failure) {
            ++m_result.stored;
            return;
        }
        if (failure.number == FailureNumber::DuplicateKey) {
            if (!m_hooks.allowDuplicates || !m_hooks.allowDuplicates()) {
                ++m_result.duplicates;
                return;
            }
            ++m_duplicateCounter;
            m_title += " ****" + std::to_string(m_duplicateCounter);
            continue;
        }
        if (!wholeCatalogueFailure(failure.number)) {
            reportFailure(m_title, failure.number, failure.description);
            return;
        }
        // Keep what the catalogue can still take, then say once where storing ended.
        m_stop = true;
        m_table.flush();
        SongTable::Loss loss = m_table.takeLoss();
        m_result.stored -= loss.rows;
        const std::string first = loss.rows > 0 ? loss.first : m_fullPath + m_artist + "-" + m_title;
        if (m_hooks.report)
            m_hooks.report(lossText(first, failure));
        return;
    }
}

void CatalogueBuilder::folderFailed(const std::string& path, int error)
{
    const bool gone =
        error == ENOENT || error == ENOTDIR || error == EIO || error == ENODEV || error == ESTALE;
    if (!gone) {
        reportFailure(path, error, systemText(error));
        return;
    }
    struct stat st;
    if (::stat(m_root.c_str(), &st) != 0 || st.st_dev != m_device) {
        // The disc itself went (taken out, unmounted): said once, and nothing more is read.
        reportFailure(m_root, error,
                      systemText(error) +
                          QStringLiteral(": the disc is no longer there, the rest of it was not read"));
        m_stop = true;
        return;
    }
    // The highest folder that went: everything below it went with it.
    std::string top = path;
    while (!top.empty() && top.back() == '/')
        top.pop_back();
    for (;;) {
        const size_t slash = top.rfind('/');
        if (slash == std::string::npos || slash + 1 < m_root.size())
            break;
        const std::string parent = top.substr(0, slash);
        if (parent.size() + 1 <= m_root.size() || ::stat(parent.c_str(), &st) == 0)
            break;
        top = parent;
    }
    if (!m_vanished.empty() && (top == m_vanished || top.rfind(m_vanished + '/', 0) == 0))
        return;
    m_vanished = top;
    reportFailure(top, error, systemText(error));
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
