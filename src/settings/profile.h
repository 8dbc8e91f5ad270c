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

// One entry of the settings file: its section and its key.
struct ProfileKey
{
    QString section;
    QString key;
};

// Every entry the program keeps.
namespace Entries {
inline const ProfileKey allowDuplicates{QStringLiteral("Allow Duplicate Names"),
                                        QStringLiteral("Box Checked")};
inline const ProfileKey fontName{QStringLiteral("GridFont"), QStringLiteral("FontName")};
inline const ProfileKey fontSize{QStringLiteral("GridFont"), QStringLiteral("FontSize")};
inline const ProfileKey columnOrder{QStringLiteral("Swap Artist/Title"), QStringLiteral("ColOrder")};
} // namespace Entries

namespace Modini {

// The folder that holds the program (and so the catalogue and the settings file),
// without a closing separator. Defaults to the program's own folder.
QString programFolder();
void setProgramFolder(const QString& folder);

inline const QString settingsFileName = QStringLiteral("/trelmo.ini");
inline const QString databaseFileName = QStringLiteral("/adomp3.mdb");

// "GET" reads an entry (at most 49 characters; a missing entry or one beginning with
// "Failed" reads as empty). "WRITE" writes one. Arguments are checked first and answer
// "ERROR MODE", "ERROR Secname", "ERROR Keyname" or "ERROR KeyValue".
QString ProfileEntry(const QString& mode, const QString& secname, const QString& keyname,
                     const QVariant& keyValue = QVariant());

// True when `filename` names an existing regular file; never fails.
bool FileExists(const QString& filename);

} // namespace Modini
