#pragma once

#include "base/failure.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// A query over the catalogue's songs, as typed into the search panel with "Query" chosen:
//
//   kestrel harbour        every word must match: a bare word in Artist, Title or Category
//   rock OR pop            either of the two terms
//   -live                  leaves out what the term matches
//   "harbour lights"       a phrase is one term
//   artist:kes             the field holds the text: artist: title: cat: (Category), disc:
//                          (MP3cd), path: (the folder and file name)
//   artist=ABBA            the field is the text, whole
//   oncd:yes  oncd:no      burned to CD, or not yet
//   time>5:00  time<=1:30  time:3:00..4:00  time:none
//                          the play time (h:mm:ss or m:ss) over, under, within; none stored
//
// Text is compared without regard to letter case or accents, in every script; % and _ are
// characters like any other. The query becomes one SQL condition whose texts and numbers are
// all bound parameters: nothing the user typed is ever part of the SQL text.
namespace SongQuery {

struct Translation
{
    QString condition;       // over the columns of adosong; "?N" for each parameter
    QVariantList parameters; // in the order of their numbers
    QStringList columns;     // the columns the condition reads, once each
};

// The query as a condition, or why it cannot be read and where: "Query: expected a time
// after 'time>' at column 6" (columns count characters from 1).
Failure translate(const QString& query, Translation* translation);

// The language in a few lines, for the user.
QString help();

} // namespace SongQuery
