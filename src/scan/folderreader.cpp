#include "scan/folderreader.h"

#include "scan/audioformat.h"
#include "scan/audiolength.h"
#include "scan/songname.h"

#include <QByteArrayView>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How many folders the reader may be ahead of the taker: enough to keep both busy.
constexpr size_t readAhead = 16;

// Name order for listings: letters compare without regard to case, ties by bytes.
bool nameLess(const std::string& a, const std::string& b)
{
    const int folded = ::strcasecmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

FolderReader::FolderReader(std::string root, Reading reading) : m_walk(std::make_shared<Walk>())
{
    m_walk->root = std::move(root);
    m_walk->reading = std::move(reading);
    m_thread = std::thread([walk = m_walk] { walk->run(); });
}

FolderReader::~FolderReader()
{
    std::unique_lock lock(m_walk->mutex);
    m_walk->stopped = true;
    m_walk->changed.notify_all();
    // The thread ends at its next step; one stuck in a read of a dead disc is left to end
    // by itself.
    const bool ended =
        m_walk->changed.wait_for(lock, std::chrono::seconds(1), [this] { return m_walk->finished; });
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

void FolderReader::Walk::run()
{
    if (reading.tags)
        tagReader = std::make_unique<SongTags::Reader>(reading.tagCodePage);
    struct stat info;
    if (::stat(root.c_str(), &info) != 0) {
        const int error = errno;
        FolderListing step;
        step.failures.push_back({root, error, systemText(error)});
        put(std::move(step));
    } else {
        device = info.st_dev;
        walk(root);
    }
    std::lock_guard lock(mutex);
    finished = true;
    changed.notify_all();
}

FolderReader::Next FolderReader::next(FolderListing* step)
{
    Walk& w = *m_walk;
    std::unique_lock lock(w.mutex);
    if (!w.changed.wait_for(lock, std::chrono::milliseconds(100),
                            [&w] { return !w.ready.empty() || w.finished; }))
        return Next::Waiting;
    if (w.ready.empty())
        return Next::Over;
    *step = std::move(w.ready.front());
    w.ready.pop_front();
    w.changed.notify_all();
    return Next::Ready;
}

bool FolderReader::Walk::put(FolderListing&& step)
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return ready.size() < readAhead || stopped; });
    if (stopped)
        return false;
    ready.push_back(std::move(step));
    changed.notify_all();
    return true;
}

namespace {
// What an entry of the folder open at `fd` is: DT_REG, DT_DIR, or DT_UNKNOWN for anything
// else. A link to a file stands for the file; a link to a folder is never followed.
unsigned char entryKind(int fd, const dirent* entry)
{
    const unsigned char type = entry->d_type;
    if (type != DT_UNKNOWN && type != DT_LNK)
        return type == DT_REG || type == DT_DIR ? type : static_cast<unsigned char>(DT_UNKNOWN);
    struct stat st;
    if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    if (S_ISLNK(st.st_mode))
        return ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}
} // namespace

FolderReader::Walk::Listed FolderReader::Walk::list(const std::string& path, FolderListing& step,
                                                    std::vector<std::string>& folders)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
        folderFailed(step, path, errno);
        return Listed::Unreadable;
    }
    const int fd = ::dirfd(dir);
    struct stat self;
    if (::fstat(fd, &self) == 0 && !visited.insert({self.st_dev, self.st_ino}).second) {
        ::closedir(dir); // met already: the same folder mounted inside itself
        return Listed::MetBefore;
    }
    int readError = 0;
    for (;;) {
        // Only readdir's own failure counts: a link that leads nowhere also sets errno.
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            readError = errno;
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const unsigned char kind = entryKind(fd, entry);
        if (kind == DT_REG && AudioFormat::isTaken(name, reading.allFormats)) {
            step.files.emplace_back(name);
        } else if (kind == DT_DIR) {
            folders.emplace_back(name);
        }
    }
    ::closedir(dir);
    if (readError)
        step.failures.push_back({path, readError, systemText(readError)});
    std::sort(step.files.begin(), step.files.end(), nameLess);
    std::sort(folders.begin(), folders.end(), nameLess);
    if (reading.lengths || reading.tags) {
        const std::string folder = path + (path.back() == '/' ? "" : "/");
        for (const std::string& name : step.files) {
            if (std::lock_guard lock(mutex); stopped)
                break; // what is not read has no length and no tags
            const std::string file = folder + name;
            if (reading.lengths) {
                const std::optional<double> seconds = AudioLength::seconds(file.c_str());
                step.lengths.push_back(seconds ? *seconds : -1);
            }
            if (tagReader)
                step.tags.push_back(tagReader->read(file.c_str()));
        }
    }
    return Listed::Read;
}

bool FolderReader::Walk::walk(const std::string& path)
{
    FolderListing step;
    step.path = path;
    std::vector<std::string> folders;
    switch (list(path, step, folders)) {
    case Listed::MetBefore:
        return true;
    case Listed::Unreadable:
        return put(std::move(step)) && !discGone;
    case Listed::Read:
        break;
    }
    if (!put(std::move(step)))
        return false;

    for (const std::string& name : folders) {
        const std::string child = path + (path.back() == '/' ? "" : "/") + name;
        struct stat st;
        FolderListing report;
        if (::lstat(child.c_str(), &st) != 0) {
            folderFailed(report, child, errno);
        } else if (!S_ISDIR(st.st_mode) || st.st_dev != device) {
            continue; // another file system mounted here is not part of this volume
        } else {
            if (!walk(child))
                return false;
            continue;
        }
        if ((!report.failures.empty() && !put(std::move(report))) || discGone)
            return false;
    }
    return true;
}

void FolderReader::Walk::folderFailed(FolderListing& step, const std::string& path, int error)
{
    const bool gone =
        error == ENOENT || error == ENOTDIR || error == EIO || error == ENODEV || error == ESTALE;
    if (!gone) {
        step.failures.push_back({path, error, systemText(error)});
        return;
    }
    struct stat st;
    if (::stat(root.c_str(), &st) != 0 || st.st_dev != device) {
        // The disc itself went (taken out, unmounted): said once, and nothing more is read.
        step.failures.push_back(
            {root, error,
             systemText(error) +
                 QStringLiteral(": the disc is no longer there, the rest of it was not read")});
        step.discGone = discGone = true;
        return;
    }
    // The highest folder that went: everything below it went with it.
    std::string top = path;
    while (!top.empty() && top.back() == '/')
        top.pop_back();
    for (;;) {
        const size_t slash = top.rfind('/');
        if (slash == std::string::npos || slash + 1 < root.size())
            break;
        const std::string parent = top.substr(0, slash);
        if (parent.size() + 1 <= root.size() || ::stat(parent.c_str(), &st) == 0)
            break;
        top = parent;
    }
    // Folders that vanish beside one already reported (removed together) are not reported
    // again one by one.
    const std::string parent = top.substr(0, top.rfind('/') + 1);
    if (!vanished.empty() && (top == vanished || top.rfind(vanished + '/', 0) == 0 ||
                              parent == vanished.substr(0, vanished.rfind('/') + 1)))
        return;
    vanished = top;
    step.failures.push_back({top, error, systemText(error)});
}
