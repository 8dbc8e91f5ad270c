#pragma once

#include <QString>
#include <QVariant>

// The settings file: a small profile text file of [sections] holding key=value lines.
// Section and key names match without regard to case; every other line of the file
// is kept as it stands when a value is written.

// Reads one value. Gives `fallback` when the file, the section or the key is missing,
// and cuts the value to bufferSize - 1 characters, as a fixed-size buffer would.
QString profileRead(const QString& section, const QString& key, const QString& fallback, int bufferSize,
                    const QString& path);

// Writes one value, creating the file, section or key as needed. The file is replaced
// atomically. Answers false when the file or its folder cannot be written.
bool profileWrite(const QString& section, const QString& key, const QString& value, const QString& path);
