#include "app/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace Desktop {

void openFile(const QByteArray& path)
{
    // Every byte that is not plain ASCII goes percent-encoded, as it is: a name read in
    // Windows-1252 reaches the opener as the name the disc holds.
    const QByteArray encoded = path.toPercentEncoding("/");
    QDesktopServices::openUrl(QUrl::fromEncoded("file://" + encoded, QUrl::StrictMode));
}

} // namespace Desktop
