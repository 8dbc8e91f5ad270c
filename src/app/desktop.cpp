#include "app/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace Desktop {

void openFile(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Desktop
