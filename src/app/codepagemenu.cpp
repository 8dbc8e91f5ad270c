#include "app/codepagemenu.h"

#include "scan/songtags.h"

#include <QActionGroup>
#include <QHash>

CodePageMenu::CodePageMenu(QWidget* parent) : QMenu(QStringLiteral("Tag Code Page"), parent)
{
    setObjectName(QStringLiteral("mnucodepage"));
    m_pages = new QActionGroup(this);
    // What each is for: the scripts whose old players wrote their tags in it.
    const QHash<QString, QString> scripts = {
        {QStringLiteral("windows-1252"), QStringLiteral("Western European")},
        {QStringLiteral("windows-1250"), QStringLiteral("Central European")},
        {QStringLiteral("windows-1251"), QStringLiteral("Cyrillic")},
        {QStringLiteral("KOI8-R"), QStringLiteral("Russian")},
        {QStringLiteral("Shift_JIS"), QStringLiteral("Japanese")},
        {QStringLiteral("GBK"), QStringLiteral("Simplified Chinese")},
    };
    for (const QString& name : SongTags::codePages()) {
        QAction* page =
            addAction(scripts.contains(name) ? QStringLiteral("%1 (%2)").arg(name, scripts[name]) : name);
        page->setObjectName(QStringLiteral("mnucodepage_") + name);
        page->setCheckable(true);
        // The name goes with the entry apart from its text, which a desktop may mark up.
        page->setData(name);
        m_pages->addAction(page);
    }
    m_pages->actions().first()->setChecked(true);
    connect(m_pages, &QActionGroup::triggered, this,
            [this](QAction* page) { emit chosenByUser(page->data().toString()); });
}

QString CodePageMenu::chosen() const
{
    return m_pages->checkedAction() ? m_pages->checkedAction()->data().toString()
                                    : SongTags::codePages().first();
}

void CodePageMenu::choose(const QString& name)
{
    const QString page = SongTags::codePageNamed(name);
    for (QAction* action : m_pages->actions())
        action->setChecked(action->data().toString() == page);
}
