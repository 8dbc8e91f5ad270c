#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Real song files of every format Trelmo catalogues, encoded by Debian's encoders (flac,
// oggenc from vorbis-tools, opusenc from opus-tools, ffmpeg for MP4, WMA, WAV and AIFF, lame
// for MP3) from a tone made here: for the format tests and the format benchmark.
namespace AudioKinds {

// A file made, with what its tags say and how long the sound put in it lasts.
struct Made
{
    QString path;
    QString ending; // "flac", "ogg", ...
    double seconds = 0;
    QString nameArtist; // what the file's name says
    QString nameTitle;
    QString tagArtist; // what its tags say
    QString tagTitle;
};

// The endings of the formats made, one each.
const QStringList& endings();

// Writes `count` files of each format into `folder`, one subfolder a format, each named
// "Artist N-Title N ENDING.ENDING" with the tags "Tag Artist N" and "Tag Title N ENDING" (the
// WAV's in its RIFF INFO, the AIFF's in an ID3v2 tag): a song of its own in every format. They
// last from `shortest` seconds on, a little longer each. False, with the reason in `error`, when an encoder is missing or fails.
bool make(const QString& folder, int count, QList<Made>* made, QString* error, double shortest = 1.0);

} // namespace AudioKinds
