#include "output/gridfont.h"

#include <QLocale>

namespace GridFont {

std::optional<double> parseSize(const QString& text)
{
    bool ok = false;
    double points = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        points = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || points < 1 || points > 1638)
        return std::nullopt;
    return points;
}

QString sizeText(double points)
{
    return QLocale::c().toString(points, 'g', 6);
}

QFont dialogPreset(const QString& storedName, const QString& storedSize)
{
    QFont font(storedName.isEmpty() ? QStringLiteral("Comic Sans MS") : storedName);
    font.setPointSizeF(parseSize(storedSize).value_or(8));
    return font;
}

} // namespace GridFont
