#pragma once

#include <QByteArray>
#include <QString>

// Tags of every kind an MP3 file carries, written byte by byte as their formats lay them out
// (not by the library the program reads them with): for the tag tests and the benchmark.
namespace Mp3Tags {

// `count` frames of silence (MPEG-1 Layer III, 128 kbit/s, 44.1 kHz).
QByteArray silence(int count = 4);

// An ID3v2.3 tag with artist and title in UTF-16 (with byte order mark); with `pictureBytes`,
// also a picture frame of that size.
QByteArray id3v23Utf16(const QString& artist, const QString& title, int pictureBytes = 0);
// An ID3v2.4 tag with artist and title in UTF-8.
QByteArray id3v24Utf8(const QString& artist, const QString& title);
// An ID3v2.3 tag whose frames say "Latin-1" and hold these bytes; an empty array leaves
// that frame out.
QByteArray id3v23Latin1(const QByteArray& artist, const QByteArray& title);
// An ID3v1 tag (the file's last 128 bytes) holding these bytes, cut to 30.
QByteArray id3v1(const QByteArray& artist, const QByteArray& title);
// An APEv2 tag (header and footer), UTF-8; an empty text leaves that item out.
QByteArray ape(const QString& artist, const QString& title);

// The file's audio without the ID3v2 tag it may begin with.
QByteArray withoutId3v2(const QByteArray& file);

} // namespace Mp3Tags
