#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

// Turning a file name such as "Lenna Vey-Slow River.mp3" into the song's fields.
// Names are UTF-8 bytes as the file system gives them; the dash and ".mp3" are ASCII,
// so the split never cuts a character in two.
namespace SongName {

// True for names ending in ".mp3" in any letter case (".mp3" alone included).
bool isMp3(std::string_view fileName);

// The name without its song ending (".mp3", ".flac", ...).
std::string_view stem(std::string_view fileName);

// Artist: the part before the first "-", "Unknown" without a dash, empty when the name
// begins with one. Title: the part after the first "-" (the whole name without a dash),
// "Unknown" when that is empty. Nothing is trimmed, cut or changed in case.
void split(std::string_view stem, std::string* artist, std::string* title);
// The same with the blanks around each part trimmed: "Pink Floyd - Time" gives "Pink Floyd"
// and "Time".
void splitTrimmed(std::string_view stem, std::string* artist, std::string* title);

// The file name a row rebuilds from its artist and title: "Artist-Title.mp3".
std::string rebuiltName(std::string_view artist, std::string_view title);
// The names the file of a row without a name of its own can have: "Artist-Title.mp3"; for
// a row an earlier build made of a name without a dash or a title, also the name it was
// made of ("Winter.mp3" for Unknown / Winter).
QStringList rebuiltNames(const QString& artist, const QString& title);

// A name or path as text (UTF-8): each part between "/" as it is when it is UTF-8, else read
// as Windows-1252, the encoding of discs written on older systems.
std::string readable(std::string_view bytes);

// The bytes `text` has in Windows-1252; nothing when a character has no place there or the
// text is plain ASCII (which reads the same in UTF-8).
QByteArray windows1252(const QString& text);

// The text after the last "/"; the text itself without one; empty when it ends with "/".
QString stripPath(const QString& path);
std::string_view stripPath(std::string_view path);

} // namespace SongName
