#pragma once

#include <QByteArray>
#include <QString>

// Folders and files whose names are not UTF-8 (a folder named on an older system) cannot be
// given to Qt or SQLite as text: their text names another place. Such a folder is opened
// once and reached through /proc/self/fd, whose name is plain ASCII.
namespace FilePath {

// A name Qt and SQLite can open for the folder `bytes` (the file system's bytes); empty
// when the folder cannot be opened.
QString ofFolder(const QByteArray& bytes);

// The same for a file, whose own name must be UTF-8; its folder's name need not be.
QString ofFile(const QByteArray& bytes);

// The folder that holds the running program, whatever bytes its name has.
QString programFolder();

// Where the catalogue and the settings file live.
struct Storage
{
    QString folder;
    bool inDataFolder = false; // the user's data folder: an installed program's
};
// Beside the program when its folder holds a catalogue or the user may write it (a copy run
// from a build folder or a stick); otherwise (an installed program, in a folder of the
// system's such as /usr/bin) in `dataFolder`.
Storage storageFor(const QString& programFolder, const QString& dataFolder);
// The user's data folder for Trelmo ($XDG_DATA_HOME/Trelmo, by default ~/.local/share/Trelmo);
// empty when neither names an absolute folder (no HOME).
QString userDataFolder();

} // namespace FilePath
