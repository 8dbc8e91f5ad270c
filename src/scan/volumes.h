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

// The volumes of this machine, pseudo file systems left out.
class SystemVolumes : public VolumeSource
{
public:
    QList<Volume> volumes() override;
    Volume volumeOf(const QString& path) override;
    bool readLabel(const Volume& volume, QString* label) override;
};

// True for file systems that hold no files of a user's (proc, sysfs, cgroup, ...).
bool isPseudoFileSystem(const QString& type);

// The label that libblkid finds on a device or an image file; empty when it has none or
// the device cannot be read.
QString probeLabel(const QString& device);
