#include "app/desktop.h"

#include <QDesktopServices>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Desktop {

namespace {
// What the freedesktop opener's exit status says went wrong.
QString openerFailure(int status)
{
    switch (status) {
    case 2:
        return QStringLiteral("the file cannot be reached");
    case 3:
        return QStringLiteral("no program is set up on this desktop to open such files");
    case 4:
        return QStringLiteral("the program set up for such files failed to start");
    default:
        return QStringLiteral("the desktop's opener answered %1").arg(status);
    }
}
} // namespace

void openFile(const QByteArray& path, QObject* context, const std::function<void(const QString& why)>& failed)
{
    // Every byte that is not plain ASCII goes percent-encoded, as it is: a name read in
    // Windows-1252 reaches the opener as the name the disc holds.
    const QUrl url = QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
    // The freedesktop opener, as Qt itself would run it, but watched: it says when nothing
    // could open the file. It is left running when the program ends (it may be the player).
    if (path.contains('\0')) {
        if (failed)
            failed(QStringLiteral("its name holds a NUL character"));
        return;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url) && failed)
            failed(QStringLiteral("this desktop has no program to open files with"));
        return;
    }
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({QString::fromLatin1(url.toEncoded())});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QPointer<QObject> alive(context);
    QObject::connect(process, &QProcess::finished, process,
                     [process, alive, failed](int status, QProcess::ExitStatus how) {
                         process->deleteLater();
                         if ((status != 0 || how != QProcess::NormalExit) && alive && failed)
                             failed(how == QProcess::NormalExit
                                        ? openerFailure(status)
                                        : QStringLiteral("the desktop's opener crashed"));
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, alive, failed](QProcess::ProcessError e) {
                         if (e != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         if (alive && failed)
                             failed(QStringLiteral("the desktop's opener could not be started: ") +
                                    process->errorString());
                     });
    process->start();
}

QString openFailureText(const QByteArray& path, const QString& why)
{
    return QStringLiteral("%1 could not be opened: %2.").arg(QFile::decodeName(path), why);
}

} // namespace Desktop
