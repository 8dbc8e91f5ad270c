#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Tells when volumes are mounted or unmounted. The kernel marks the mount table as changed
// to poll(), so the watch costs nothing while nothing changes: no polling loop.
class MountWatch : public QObject
{
    Q_OBJECT
public:
    explicit MountWatch(const QString& mountTable = QStringLiteral("/proc/self/mountinfo"),
                        QObject* parent = nullptr);
    ~MountWatch() override;

signals:
    // A volume came or went.
    void changed();

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
