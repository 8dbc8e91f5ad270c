#include "output/gridfont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLocale>

#include <cmath>

namespace GridFont {

std::optional<double> parseSize(const QString& text)
{
    bool ok = false;
    double points = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        points = QLocale().toDouble(text.trimmed(), &ok);
    // "nan" and "inf" read as numbers too, and every comparison with NaN is false.
    if (!ok || !std::isfinite(points) || points < 1 || points > 1638)
        return std::nullopt;
    return points;
}

namespace {
const QString designFamily = QStringLiteral("MS Sans Serif");
}

QFont designFont()
{
    QFont font(designFamily);
    font.setPointSizeF(8.25);
    return font;
}

QFont fromStored(const QFont& base, const QString& storedName, const QString& storedSize)
{
    QFont font = base;
    font.setFamily(storedName.isEmpty() ? designFamily : storedName);
    if (storedSize.isEmpty())
        font.setPointSizeF(8);
    else if (const std::optional<double> points = parseSize(storedSize))
        font.setPointSizeF(*points);
    return font;
}

QFont dialogPreset(const QString& storedName, const QString& storedSize)
{
    QFont font(storedName.isEmpty() ? QStringLiteral("Comic Sans MS") : storedName);
    font.setPointSizeF(parseSize(storedSize).value_or(8));
    // The grid shows the upright, normal style: the dialog starts on it, not on whichever
    // style of the family it would pick by itself (often an italic one).
    const QString family = QFontInfo(font).family();
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont face = QFontDatabase::font(family, style, 10);
        if (face.style() == QFont::StyleNormal && face.weight() == QFont::Normal &&
            !style.contains(QLatin1String("Condensed"))) {
            font.setFamily(family);
            font.setStyleName(style);
            break;
        }
    }
    return font;
}

} // namespace GridFont
