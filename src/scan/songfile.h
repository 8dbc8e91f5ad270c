#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>

// What makes a file a song file, for the paths the program builds from a catalogue's rows.
// A catalogue travels (a stick, a download, a share) and may have been written by anyone: a
// row must not be able to hand any other file of the machine to the desktop's opener, which
// picks a program by a file's content as well as its name, or to a playlist.
namespace SongFile {

// Whether `name` ends in the ending of a song format the program knows, in any letter case.
bool hasSongEnding(std::string_view name);

// Why `folder` (a row's FullPath, a disc's walked folder) cannot hold songs: it is no absolute
// path, or has a "." or ".." part. Empty when it can.
QString folderProblem(const QString& folder);

// Why the file `name` in the folder `folder` (a row's FullPath and its file's name, as the
// file system's bytes) cannot be a song file: the folder is no absolute path or has a "." or
// ".." part, the name is not a single name (a "/", "." or "..", a NUL), or it does not end
// as a song does. Empty when the two name a song file.
QString nameProblem(const QString& folder, const QByteArray& name);

// Why the file at `path` (links followed) is no song: it is not a regular file, cannot be
// read, or its first bytes are not those of a song of the kind its name says. Empty when it
// is one. Reads a few bytes at its start (and after an ID3v2 tag).
QString contentProblem(const QByteArray& path);

// What the user is told of a row that names such a file.
QString refusal(const QString& path, const QString& why);

} // namespace SongFile
