#include "scan/volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <blkid/blkid.h>

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

Volume fromStorage(const QStorageInfo& info)
{
    Volume v;
    v.root = info.rootPath();
    v.device = QString::fromLocal8Bit(info.device());
    v.fileSystem = QString::fromLatin1(info.fileSystemType());
    v.label = info.name();
    if (v.label.isEmpty() && v.device.startsWith(QLatin1String("/dev/")))
        v.label = probeLabel(v.device);
    return v;
}

} // namespace

QList<Volume> SystemVolumes::volumes()
{
    QList<Volume> list;
    QSet<QString> roots;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid() || isPseudoFileSystem(QString::fromLatin1(info.fileSystemType())))
            continue;
        if (roots.contains(info.rootPath()))
            continue;
        roots.insert(info.rootPath());
        list << fromStorage(info);
    }
    // The volume of the current folder always belongs in the list, whatever its type.
    const Volume here = volumeOf(QDir::currentPath());
    if (!roots.contains(here.root))
        list << here;
    std::sort(list.begin(), list.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return list;
}

Volume SystemVolumes::volumeOf(const QString& path)
{
    return fromStorage(QStorageInfo(path));
}

bool SystemVolumes::readLabel(const Volume& volume, QString* label)
{
    QStorageInfo info(volume.root);
    if (!info.isValid() || !info.isReady() || !QFileInfo(volume.root).isDir())
        return false;
    *label = fromStorage(info).label;
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
