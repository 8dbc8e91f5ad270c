#include "scan/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStorageInfo>

#include "scan/timelimit.h"

#include <mutex>

#include <blkid/blkid.h>
#include <libmount/libmount.h>

QString Volume::displayText() const
{
    if (!ready)
        return root + QStringLiteral(" (not responding)");
    if (label.isEmpty())
        return root;
    return root + QStringLiteral(" [") + label + QLatin1Char(']');
}

QStringList VolumeSource::mountFolders()
{
    QStringList folders;
    for (const Volume& v : volumes())
        folders << v.root;
    return folders;
}

bool isPseudoFileSystem(const QString& type)
{
    static const QSet<QString> pseudo = {
        QStringLiteral("proc"),        QStringLiteral("sysfs"),           QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),      QStringLiteral("cgroup"),          QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),  QStringLiteral("debugfs"),         QStringLiteral("tracefs"),
        QStringLiteral("mqueue"),      QStringLiteral("pstore"),          QStringLiteral("bpf"),
        QStringLiteral("configfs"),    QStringLiteral("fusectl"),         QStringLiteral("hugetlbfs"),
        QStringLiteral("autofs"),      QStringLiteral("binfmt_misc"),     QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),        QStringLiteral("efivarfs"),        QStringLiteral("selinuxfs"),
        QStringLiteral("ramfs"),       QStringLiteral("tmpfs"),           QStringLiteral("devfs"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("squashfs"),
    };
    return pseudo.contains(type);
}

namespace {

// How long the volumes' own answers are waited for: the drive list and start-up wait no
// longer, whatever a volume does.
constexpr std::chrono::milliseconds listLimit(800);
constexpr std::chrono::milliseconds readLimit(1500);

// The UUID udev gives the device (/dev/disk/by-uuid), which needs no access to the device.
QString uuidFromUdev(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return QString();
    const QDir byUuid(QStringLiteral("/dev/disk/by-uuid"));
    for (const QFileInfo& link : byUuid.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.canonicalFilePath() == target)
            return link.fileName();
    }
    return QString();
}

// What the volume on `root` says of itself: the label (the system's, else libblkid's off the
// device, else the mount folder's name where a desktop mounter named it after the label),
// the UUID and the size. It may hang: it is asked with a time limit.
Volume withDetails(Volume v)
{
    const QStorageInfo info(v.root);
    v.label = info.name();
    v.size = info.bytesTotal() > 0 ? info.bytesTotal() : 0;
    if (v.device.startsWith(QLatin1String("/dev/"))) {
        v.uuid = uuidFromUdev(v.device);
        if (v.label.isEmpty() || v.uuid.isEmpty()) {
            const VolumeIdentity identity = probeIdentity(v.device);
            v.label = v.label.isEmpty() ? identity.label : v.label;
            v.uuid = v.uuid.isEmpty() ? identity.uuid : v.uuid;
        }
    }
    if (v.label.isEmpty())
        v.label = labelFromMountFolder(v.root);
    return v;
}

// Each volume with its details, those that did not answer in time marked not ready.
QList<Volume> withDetails(const QList<Volume>& volumes)
{
    std::vector<std::function<Volume()>> questions;
    QList<bool> asked;
    for (const Volume& v : volumes) {
        asked << TimeLimit::beginQuestion(v.root);
        if (!asked.last())
            continue;
        questions.emplace_back([v] {
            const Volume answer = withDetails(v);
            TimeLimit::endQuestion(v.root);
            return answer;
        });
    }
    const std::vector<std::optional<Volume>> answers = TimeLimit::answers(std::move(questions), listLimit);
    QList<Volume> list;
    size_t answer = 0;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        const std::optional<Volume> details = asked[i] ? answers[answer++] : std::nullopt;
        Volume v = details.value_or(volumes[i]);
        if (!details) {
            v.ready = false;
            v.label = labelFromMountFolder(v.root);
        }
        list << v;
    }
    return list;
}

// Whether `path` lies in the folder `root` (or is it).
bool within(const QString& path, const QString& root)
{
    return root == QLatin1String("/") || path == root || path.startsWith(root + QLatin1Char('/'));
}

QList<Volume> mountTable(const QString& path, bool fixed)
{
    QList<Volume> list;
    libmnt_table* table = mnt_new_table();
    if (!table)
        return list;
    const QByteArray name = QFile::encodeName(path);
    const int parsed = fixed ? mnt_table_parse_fstab(table, name.constData())
                             : mnt_table_parse_file(table, name.constData());
    if (parsed == 0) {
        libmnt_iter* at = mnt_new_iter(MNT_ITER_FORWARD);
        libmnt_fs* fs = nullptr;
        while (at && mnt_table_next_fs(table, at, &fs) == 0) {
            Volume v;
            v.root = QFile::decodeName(mnt_fs_get_target(fs));
            v.device = QFile::decodeName(mnt_fs_get_source(fs));
            v.fileSystem = QString::fromLatin1(mnt_fs_get_fstype(fs));
            if (!v.root.isEmpty())
                list << v;
        }
        mnt_free_iter(at);
    }
    mnt_unref_table(table);
    return list;
}

} // namespace

QString labelFromMountFolder(const QString& root)
{
    static const QRegularExpression desktop(QStringLiteral("^(?:/run)?/media/[^/]+/([^/]+)/?$"));
    const QRegularExpressionMatch match = desktop.match(root);
    return match.hasMatch() ? match.captured(1) : QString();
}

QList<Volume> SystemVolumes::mounted() const
{
    return mountTable(m_mountTable, false);
}

QList<Volume> SystemVolumes::volumes()
{
    // A later mount on the same folder hides the earlier one.
    QMap<QString, Volume> byRoot;
    const QList<Volume> all = mounted();
    for (const Volume& v : all) {
        if (!isPseudoFileSystem(v.fileSystem))
            byRoot.insert(v.root, v);
        else
            byRoot.remove(v.root);
    }
    // The volume of the current folder always belongs in the list, whatever its type.
    const Volume here = volumeOf(QDir::currentPath());
    if (!here.root.isEmpty() && !byRoot.contains(here.root))
        byRoot.insert(here.root, here);
    return withDetails(byRoot.values());
}

Volume SystemVolumes::volumeOf(const QString& path)
{
    // The mount that holds the path is the one on its longest folder, from the table alone:
    // the volume itself is asked nothing until its details are.
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    Volume best;
    for (const Volume& v : mounted()) {
        if (within(clean, v.root) && v.root.size() >= best.root.size())
            best = v;
    }
    if (best.root.isEmpty())
        return best;
    return withDetails(QList<Volume>{best}).front();
}

bool SystemVolumes::readLabel(const Volume& volume, QString* label)
{
    const QList<Volume> table = mounted();
    const std::optional<QString> read = TimeLimit::askVolume<QString>(
        volume.root,
        [volume, table]() -> QString {
            // An ejected disc can leave its empty folder behind: that is no disc.
            bool mountPoint = false;
            for (const Volume& v : table)
                mountPoint = mountPoint || v.root == volume.root;
            QStorageInfo info(volume.root);
            if (!QFileInfo(volume.root).isDir() || !mountPoint || !info.isValid() || !info.isReady())
                return QStringLiteral("\n"); // no name holds a line break: not there
            Volume v = volume;
            v.device = QString::fromLocal8Bit(info.device());
            return withDetails(v).label;
        },
        readLimit);
    if (!read || *read == QLatin1String("\n"))
        return false;
    *label = *read;
    return true;
}

QStringList SystemVolumes::mountFolders()
{
    QStringList folders;
    for (const QList<Volume>& table : {mounted(), mountTable(m_fixedTable, true)}) {
        for (const Volume& v : table) {
            if (v.root.startsWith(QLatin1Char('/')) && v.root != QLatin1String("/") &&
                !isPseudoFileSystem(v.fileSystem) && v.fileSystem != QLatin1String("swap") &&
                !folders.contains(v.root))
                folders << v.root;
        }
    }
    return folders;
}

namespace TimeLimit {
namespace {
// Kept for the life of the process: a thread stuck on a dead volume may outlive main().
std::mutex& pendingLock = *new std::mutex;
QSet<QString>& pending = *new QSet<QString>;
} // namespace

bool beginQuestion(const QString& volumeRoot)
{
    std::lock_guard lock(pendingLock);
    if (pending.contains(volumeRoot))
        return false;
    pending.insert(volumeRoot);
    return true;
}

void endQuestion(const QString& volumeRoot)
{
    std::lock_guard lock(pendingLock);
    pending.remove(volumeRoot);
}

bool isStalled(const QString& path)
{
    std::lock_guard lock(pendingLock);
    for (const QString& root : pending) {
        if (within(path, root))
            return true;
    }
    return false;
}
} // namespace TimeLimit

QString mountFolderOf(const QString& path, const QString& mountTablePath)
{
    QString best;
    for (const Volume& v : mountTable(mountTablePath, false)) {
        if (within(path, v.root) && v.root.size() >= best.size())
            best = v.root;
    }
    return best;
}

VolumeIdentity probeIdentity(const QString& device)
{
    const QByteArray name = QFile::encodeName(device);
    blkid_probe probe = blkid_new_probe_from_filename(name.constData());
    VolumeIdentity identity;
    if (!probe)
        return identity;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
    if (blkid_do_safeprobe(probe) == 0) {
        const char* value = nullptr;
        size_t length = 0;
        if (blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value)
            identity.label = QString::fromUtf8(value).trimmed();
        if (blkid_probe_lookup_value(probe, "UUID", &value, &length) == 0 && value)
            identity.uuid = QString::fromUtf8(value).trimmed();
    }
    blkid_free_probe(probe);
    return identity;
}
