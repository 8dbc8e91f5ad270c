#include "app/codepagemenu.h"

#include "scan/songtags.h"

#include <QActionGroup>

CodePageMenu::CodePageMenu(QWidget* parent) : QMenu(QStringLiteral("Tag Code Page"), parent)
{
    setObjectName(QStringLiteral("mnucodepage"));
    m_pages = new QActionGroup(this);
    for (const QString& name : SongTags::codePages()) {
        QAction* page = addAction(name);
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
