#pragma once

#include <QList>
#include <QString>

// One mounted volume that holds a real file system: a disc, a stick, a disk partition.
struct Volume
{
    QString root;       // the folder it is mounted on
    QString label;      // its volume label, empty when it has none
    QString device;     // the device or image it is mounted from
    QString fileSystem; // the file-system type

    // How the drive list shows it: the root, then the label in brackets.
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
};

// The volumes of this machine as its mount table lists them (FUSE mounts such as an ISO
// image or a network share included), pseudo file systems left out.
class SystemVolumes : public VolumeSource
{
public:
    explicit SystemVolumes(QString mountTable = QStringLiteral("/proc/self/mountinfo"))
        : m_mountTable(std::move(mountTable))
    {
    }
    QList<Volume> volumes() override;
    Volume volumeOf(const QString& path) override;
    // False too for a folder that is no longer the mount point it was: the disc is out.
    bool readLabel(const Volume& volume, QString* label) override;

private:
    // Every mounted file system, by the folder it is mounted on.
    QList<Volume> mounted() const;

    QString m_mountTable;
};

// The label a desktop mounter gives away in its folder name (/media/USER/LABEL,
// /run/media/USER/LABEL); empty for any other folder.
QString labelFromMountFolder(const QString& root);

// True for file systems that hold no files of a user's (proc, sysfs, cgroup, ...).
bool isPseudoFileSystem(const QString& type);

// The label that libblkid finds on a device or an image file; empty when it has none or
// the device cannot be read.
QString probeLabel(const QString& device);
