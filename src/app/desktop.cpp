#include "app/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace Modini {

void ShellOpenFile(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Modini
