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

} // namespace FilePath
