#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

// The program's settings file and the entries it keeps, each read and written as
// what it means. An entry that is missing, empty or unreadable reads as its default.
class Settings
{
public:
    // Told a write failure's message for the user; writes that fail quietly never call it.
    using Reporter = std::function<void(const QString& message)>;

    explicit Settings(QString path, Reporter report = {});
    const QString& path() const { return m_path; }

    // Whether the file is there (a regular file that is not hidden).
    bool exists() const;
    // The file of a first start: every entry present and empty. False when a write failed,
    // which is not reported: the defaults hold all the same.
    bool createEmpty() const;

    // Keep a song whose artist and title are already stored, under a numbered title.
    bool allowDuplicates() const;
    bool setAllowDuplicates(bool allow) const;

    // Show Duplicates counts a song there twice on one disc too (numbered duplicates).
    bool duplicatesOnOneDisc() const;
    bool setDuplicatesOnOneDisc(bool sameDisc) const;

    // Read how long each song plays while a disc is catalogued.
    bool readPlayTimes() const;
    bool setReadPlayTimes(bool read) const;

    // Take each new song's artist and title from its tags where they give both.
    bool namesFromTags() const;
    bool setNamesFromTags(bool fromTags) const;
    // The code page of tags written as "Latin-1" by older players: a name as offered
    // (windows-1251, KOI8-R, ...); empty when none is chosen.
    QString tagCodePage() const;
    bool setTagCodePage(const QString& name) const;

    // Catalogue every song format known, not only MP3s.
    bool allAudioFiles() const;
    bool setAllAudioFiles(bool all) const;

    // The queries run last, the newest first (at most maxRecentQueries).
    static constexpr int maxRecentQueries = 10;
    QStringList recentQueries() const;
    bool setRecentQueries(const QStringList& queries) const;

    // The grid's first two columns captioned Title, Artist instead of Artist, Title. A failed
    // write is not reported: the captions change for this run all the same.
    bool titleFirst() const;
    bool setTitleFirst(bool titleFirst) const;

    // The size the list of discs was last given; empty when none was.
    QSize discsWindowSize() const;
    bool setDiscsWindowSize(const QSize& size) const;

    // The folder the last export went to; empty when none did. A failed write is not
    // reported: the export it follows went well.
    QString exportFolder() const;
    bool setExportFolder(const QString& folder) const;

    // The grid's font as stored: a family name and a size text, each empty when none is set.
    QString fontName() const;
    QString fontSize() const;
    // Stores both; the first that cannot be written is reported.
    bool setFont(const QString& family, double points) const;

private:
    struct Entry
    {
        const char* section;
        const char* key;
    };
    static const Entry duplicatesEntry, playTimesEntry, fontNameEntry, fontSizeEntry, columnOrderEntry,
        exportFolderEntry, tagsEntry, codePageEntry, discsSizeEntry, oneDiscEntry, allAudioEntry;

    QString read(const Entry& entry) const;
    bool write(const Entry& entry, const QString& value) const;
    // A check mark's entry, "Yes" or "No"; a failure is reported.
    bool writeCheckMark(const Entry& entry, bool checked) const;

    QString m_path;
    Reporter m_report;
};
