#include "app/optionsmenu.h"

#include "app/codepagemenu.h"
#include "settings/settings.h"

OptionsMenu::OptionsMenu(Settings* settings, QWidget* parent)
    : QMenu(QStringLiteral("&Options"), parent), m_settings(settings)
{
    setObjectName(QStringLiteral("mnuoptions"));
    m_font = entry("mnufont", QStringLiteral("Font"));
    m_swap = entry("mnuswap", QStringLiteral("Swap Artist/Title"));
    m_duplicates = entry("mnudupes", QStringLiteral("Allow Duplicate entries"), true);
    addSeparator();
    m_readPlayTimes = entry("mnuplaytimes", QStringLiteral("Read Play Times"), true);
    m_fillPlayTimes = entry("mnufillplaytimes", QStringLiteral("Fill In Play Times"));
    addSeparator();
    m_allAudioFiles = entry("mnuallaudio", QStringLiteral("All Audio Files"), true);
    m_allAudioFiles->setToolTip(
        QStringLiteral("Catalogue FLAC, Ogg Vorbis, Opus, AAC (.m4a), WMA, WAV and AIFF "
                       "songs too, not only MP3s"));
    m_namesFromTags = entry("mnutags", QStringLiteral("Names From Tags"), true);
    m_tagCodePages = new CodePageMenu(this);
    addMenu(m_tagCodePages);
    // An entry has flipped its check mark on the click; the mark stays flipped even when the
    // settings file refuses it.
    connect(m_duplicates, &QAction::triggered, this, [this](bool on) { m_settings->setAllowDuplicates(on); });
    connect(m_readPlayTimes, &QAction::triggered, this,
            [this](bool on) { m_settings->setReadPlayTimes(on); });
    connect(m_namesFromTags, &QAction::triggered, this,
            [this](bool on) { m_settings->setNamesFromTags(on); });
    connect(m_allAudioFiles, &QAction::triggered, this,
            [this](bool on) { m_settings->setAllAudioFiles(on); });
    connect(m_tagCodePages, &CodePageMenu::chosenByUser, this,
            [this](const QString& name) { m_settings->setTagCodePage(name); });
}

QAction* OptionsMenu::entry(const char* name, const QString& caption, bool checkable)
{
    QAction* action = addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setCheckable(checkable);
    return action;
}

void OptionsMenu::applySettings()
{
    m_duplicates->setChecked(m_settings->allowDuplicates());
    m_readPlayTimes->setChecked(m_settings->readPlayTimes());
    m_namesFromTags->setChecked(m_settings->namesFromTags());
    m_allAudioFiles->setChecked(m_settings->allAudioFiles());
    m_tagCodePages->choose(m_settings->tagCodePage());
}

SongReading OptionsMenu::songReading() const
{
    return {m_readPlayTimes->isChecked(), m_namesFromTags->isChecked(), m_tagCodePages->chosen(),
            m_allAudioFiles->isChecked()};
}
