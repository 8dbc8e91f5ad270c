#include "scan/mountwatch.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

MountWatch::MountWatch(const QString& mountTable, QObject* parent) : QObject(parent)
{
    m_fd = ::open(QFile::encodeName(mountTable).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return; // no table to watch: the drive list is still read as it opens
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        // The mark stays until the table is read again from its start.
        char buffer[4096];
        ::lseek(m_fd, 0, SEEK_SET);
        while (::read(m_fd, buffer, sizeof buffer) > 0) {
        }
        emit changed();
    });
}

MountWatch::~MountWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}
