#pragma once

#include <QMenu>

class QActionGroup;

// Options → Tag Code Page: which code page old tags written as "Latin-1" are read in, one
// of a few, by name; each entry's objectName is "mnucodepage_" and the name.
class CodePageMenu : public QMenu
{
    Q_OBJECT
public:
    explicit CodePageMenu(QWidget* parent = nullptr);

    QString chosen() const;
    // Checks the entry of `name` (matched without regard to case), the default for another.
    void choose(const QString& name);

signals:
    // The user chose an entry.
    void chosenByUser(const QString& name);

private:
    QActionGroup* m_pages;
};
