#pragma once

#include <QFont>
#include <QString>

#include <optional>

// The grid's font as the settings file keeps it: a name and a size in points.
namespace GridFont {

// A stored size read back: "8", "10.5" (or "10,5" as a user's locale may write it). Nothing
// for a text that is no usable size.
std::optional<double> parseSize(const QString& text);

// The grid's font before any setting is read: MS Sans Serif at 8.25 points.
QFont designFont();

// `base` with the stored name and size: a missing name gives MS Sans Serif and a missing
// size 8 points; a size that is no usable number keeps the size of `base`.
QFont fromStored(const QFont& base, const QString& storedName, const QString& storedSize);

// The font the font dialog starts from: the stored name and size, or Comic Sans MS at 8
// where an entry is empty. A stored size that is no number also starts at 8.
QFont dialogPreset(const QString& storedName, const QString& storedSize);

} // namespace GridFont
