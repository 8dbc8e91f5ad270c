#include "scan/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStorageInfo>

#include <blkid/blkid.h>
#include <libmount/libmount.h>

QString Volume::displayText() const
{
    if (label.isEmpty())
        return root;
    return root + QStringLiteral(" [") + label + QLatin1Char(']');
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

// The label: the system's (udev), else what libblkid reads off the device, else the mount
// folder's name where a desktop mounter named it after the label.
QString labelOf(const QString& root, const QString& device)
{
    QString label = QStorageInfo(root).name();
    if (label.isEmpty() && device.startsWith(QLatin1String("/dev/")))
        label = probeLabel(device);
    if (label.isEmpty())
        label = labelFromMountFolder(root);
    return label;
}

Volume fromStorage(const QStorageInfo& info)
{
    Volume v;
    v.root = info.rootPath();
    v.device = QString::fromLocal8Bit(info.device());
    v.fileSystem = QString::fromLatin1(info.fileSystemType());
    v.label = labelOf(v.root, v.device);
    return v;
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
    QList<Volume> list;
    libmnt_table* table = mnt_new_table();
    if (!table)
        return list;
    if (mnt_table_parse_file(table, QFile::encodeName(m_mountTable).constData()) == 0) {
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

QList<Volume> SystemVolumes::volumes()
{
    // A later mount on the same folder hides the earlier one.
    QMap<QString, Volume> byRoot;
    for (const Volume& v : mounted()) {
        if (!isPseudoFileSystem(v.fileSystem))
            byRoot.insert(v.root, v);
        else
            byRoot.remove(v.root);
    }
    // The volume of the current folder always belongs in the list, whatever its type.
    const Volume here = volumeOf(QDir::currentPath());
    if (!here.root.isEmpty() && !byRoot.contains(here.root))
        byRoot.insert(here.root, here);
    QList<Volume> list;
    for (Volume v : std::as_const(byRoot)) {
        if (v.label.isEmpty())
            v.label = labelOf(v.root, v.device);
        list << v;
    }
    return list;
}

Volume SystemVolumes::volumeOf(const QString& path)
{
    return fromStorage(QStorageInfo(path));
}

bool SystemVolumes::readLabel(const Volume& volume, QString* label)
{
    if (!QFileInfo(volume.root).isDir())
        return false;
    // An ejected disc can leave its empty folder behind: that is no disc.
    bool mountPoint = false;
    for (const Volume& v : mounted())
        mountPoint = mountPoint || v.root == volume.root;
    if (!mountPoint)
        return false;
    QStorageInfo info(volume.root);
    if (!info.isValid() || !info.isReady())
        return false;
    *label = labelOf(volume.root, QString::fromLocal8Bit(info.device()));
    return true;
}

QString probeLabel(const QString& device)
{
    const QByteArray name = QFile::encodeName(device);
    blkid_probe probe = blkid_new_probe_from_filename(name.constData());
    if (!probe)
        return QString();
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    QString label;
    if (blkid_do_safeprobe(probe) == 0) {
        const char* value = nullptr;
        size_t length = 0;
        if (blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value)
            label = QString::fromUtf8(value).trimmed();
    }
    blkid_free_probe(probe);
    return label;
}
