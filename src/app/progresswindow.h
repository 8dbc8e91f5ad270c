#pragma once

#include <QCoreApplication>
#include <QProgressDialog>

#include <climits>

// The modal progress window of a long command over the rows shown: how far it is, and a
// Cancel that stops it. The window stays alive while the command runs.
class ProgressWindow : public QProgressDialog
{
public:
    ProgressWindow(const QString& objectName, const QString& title, qint64 total, QWidget* window)
        : QProgressDialog(window), m_total(total)
    {
        setObjectName(objectName);
        setWindowTitle(title);
        setCancelButtonText(QStringLiteral("Cancel"));
        setWindowModality(Qt::WindowModal);
        setMinimumDuration(0);
        setAutoClose(false);
        setAutoReset(false);
        setMinimumWidth(420);
        setRange(0, int(qMin<qint64>(total, INT_MAX)));
        show();
        QCoreApplication::processEvents();
    }

    // Shows `done` rows of all and `what` is being done; false once Cancel was pressed.
    bool step(qint64 done, const QString& what)
    {
        setLabelText(QStringLiteral("%1: %2 of %3 songs").arg(what).arg(done).arg(m_total));
        setValue(int(qMin<qint64>(done, INT_MAX)));
        QCoreApplication::processEvents();
        return !wasCanceled();
    }

private:
    qint64 m_total;
};
