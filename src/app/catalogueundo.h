#pragma once

#include "app/commandcontext.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;

// File → Undo (Ctrl+Z): takes the catalogue back to the copy kept before the last command
// that destroyed much with one answer (CatalogueCopy), for as long as nothing else has
// written to the catalogue since. The copy lies beside the catalogue (CatalogueCopy::
// undoPathFor), replaced by the next such command.
class CatalogueUndo : public QObject
{
    Q_OBJECT
public:
    // `action` is the menu entry; `finished` hears on the window's thread what was done, in a
    // line, once the catalogue went back (the rows shown are read again first).
    CatalogueUndo(CommandContext context, QAction* action, std::function<void(const QString& done)> finished,
                  QObject* parent = nullptr);

    // Offers to undo `what` while the catalogue stays as `mark` says it is now.
    void offer(const QString& what, quint64 mark);
    // Takes the offer back when anything has written to the catalogue since.
    void retireIfChanged();
    QString offered() const { return m_what; }

    // Asks once, then puts the copy back, as a job.
    void undo();

private:
    void retire();

    CommandContext m_context;
    QAction* m_action;
    std::function<void(const QString&)> m_finished;
    QString m_what;
    quint64 m_mark = 0;
};
