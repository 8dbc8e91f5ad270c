#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One mounted volume that holds a real file system: a disc, a stick, a disk partition.
struct Volume
{
    QString root;       // the folder it is mounted on
    QString label;      // its volume label, empty when it has none
    QString device;     // the device or image it is mounted from
    QString fileSystem; // the file-system type
    QString uuid;       // the file system's identity, where the system tells it
    qint64 size = 0;    // in bytes; 0 when unknown
    bool ready = true;  // it answered in time; one that does not is offered but not read

    // How the drive list shows it: the root, then the label in brackets, or that it does not
    // answer.
    QString displayText() const;
};

// Where the drive list takes its volumes from; tests put folders of their own in its place.
class VolumeSource
{
public:
    virtual ~VolumeSource() = default;
    virtual QList<Volume> volumes() = 0;
    // The volume that holds `path`.
    virtual Volume volumeOf(const QString& path) = 0;
    // Reads the label afresh; false when the volume cannot be reached (gone, not ready).
    virtual bool readLabel(const Volume& volume, QString* label) = 0;
    // The folders volumes are mounted on when they are in: those mounted now, and those a
    // disc always goes to (the fixed mount folders).
    virtual QStringList mountFolders();
};

// The volumes of this machine as its mount table lists them (FUSE mounts such as an ISO
// image or a network share included), pseudo file systems left out. The table is read as
// text; whatever asks a volume itself (its label, its size) runs with a time limit, so a
// volume that stops answering is shown as not ready and holds nothing up.
class SystemVolumes : public VolumeSource
{
public:
    explicit SystemVolumes(QString mountTable = QStringLiteral("/proc/self/mountinfo"),
                           QString fixedTable = QStringLiteral("/etc/fstab"))
        : m_mountTable(std::move(mountTable)), m_fixedTable(std::move(fixedTable))
    {
    }
    QList<Volume> volumes() override;
    Volume volumeOf(const QString& path) override;
    // False too for a folder that is no longer the mount point it was: the disc is out.
    bool readLabel(const Volume& volume, QString* label) override;
    QStringList mountFolders() override;

private:
    // Every mounted file system, by the folder it is mounted on.
    QList<Volume> mounted() const;

    QString m_mountTable;
    QString m_fixedTable;
};

// What libblkid reads off a device or an image file: its label and its UUID, each empty
// when it has none or the device cannot be read.
struct VolumeIdentity
{
    QString label;
    QString uuid;
};
VolumeIdentity probeIdentity(const QString& device);

// The folder of the mount that holds `path` (an absolute path), by the mount table alone:
// the volume itself is not asked.
QString mountFolderOf(const QString& path,
                      const QString& mountTablePath = QStringLiteral("/proc/self/mountinfo"));

// The label a desktop mounter gives away in its folder name (/media/USER/LABEL,
// /run/media/USER/LABEL); empty for any other folder.
QString labelFromMountFolder(const QString& root);

// True for file systems that hold no files of a user's (proc, sysfs, cgroup, ...).
bool isPseudoFileSystem(const QString& type);
