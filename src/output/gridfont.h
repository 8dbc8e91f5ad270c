#pragma once

#include <QFont>
#include <QString>

#include <optional>

// The grid's font as the settings file keeps it: a name and a size in points.
namespace GridFont {

// A stored size read back: "8", "10.5" (or "10,5" as a user's locale may write it). Nothing
// for a text that is no usable size.
std::optional<double> parseSize(const QString& text);

// How a size is stored: the shortest decimal text, with a point.
QString sizeText(double points);

// The font the font dialog starts from: the stored name and size, or Comic Sans MS at 8
// where an entry is empty. A stored size that is no number also starts at 8.
QFont dialogPreset(const QString& storedName, const QString& storedSize);

} // namespace GridFont
