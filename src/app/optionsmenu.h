#pragma once

#include "scan/folderreader.h"

#include <QMenu>

class CodePageMenu;
class Settings;

// The Options menu: the entries that act (Font, Swap Artist/Title, Fill In Play Times), and
// the switches the settings file keeps (Allow Duplicate entries, Read Play Times, All Audio
// Files, Names From Tags with its tag code page), each written to the file the moment the
// user flips it.
class OptionsMenu : public QMenu
{
    Q_OBJECT
public:
    OptionsMenu(Settings* settings, QWidget* parent);

    // The switches as the settings file says.
    void applySettings();
    // What a build or an update reads of each song besides its name, as the switches say now.
    SongReading songReading() const;

    QAction* fontEntry() const { return m_font; }
    QAction* swapEntry() const { return m_swap; }
    QAction* fillPlayTimesEntry() const { return m_fillPlayTimes; }
    // Allow Duplicate entries: its toggled() says when the mark changes, however it came.
    QAction* duplicatesEntry() const { return m_duplicates; }

private:
    QAction* entry(const char* name, const QString& caption, bool checkable = false);

    Settings* m_settings;
    QAction* m_font;
    QAction* m_swap;
    QAction* m_duplicates;
    QAction* m_readPlayTimes;
    QAction* m_fillPlayTimes;
    QAction* m_allAudioFiles;
    QAction* m_namesFromTags;
    CodePageMenu* m_tagCodePages;
};
