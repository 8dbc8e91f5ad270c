#include "app/catalogueundo.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "store/cataloguecopy.h"

#include <QAction>
#include <QFileInfo>

#include <memory>

CatalogueUndo::CatalogueUndo(CommandContext context, QAction* action,
                             std::function<void(const QString&)> finished, QObject* parent)
    : QObject(parent), m_context(context), m_action(action), m_finished(std::move(finished))
{
    retire();
    connect(m_action, &QAction::triggered, this, &CatalogueUndo::undo);
}

void CatalogueUndo::offer(const QString& what, quint64 mark)
{
    m_what = what;
    m_mark = mark;
    m_action->setText(QStringLiteral("Undo %1").arg(what).replace(QLatin1Char('&'), QStringLiteral("&&")));
    m_action->setEnabled(true);
}

void CatalogueUndo::retire()
{
    m_what.clear();
    m_action->setText(QStringLiteral("Undo"));
    m_action->setEnabled(false);
}

void CatalogueUndo::retireIfChanged()
{
    const QString catalogue = m_context.session->databasePath();
    if (!m_what.isEmpty() && (CatalogueCopy::writeMark(catalogue) != m_mark ||
                              !QFileInfo::exists(CatalogueCopy::undoPathFor(catalogue))))
        retire();
}

void CatalogueUndo::undo()
{
    const CommandContext& c = m_context;
    const bool wasOffered = !m_what.isEmpty();
    retireIfChanged();
    if (m_what.isEmpty() && wasOffered)
        c.prompter->ask(QStringLiteral("There is nothing to undo: the catalogue was changed since."));
    if (m_what.isEmpty() || c.jobs->isRunning() || c.session->refuseWrite())
        return;
    const QString what = m_what;
    if (c.prompter->ask(
            QStringLiteral("Undo \"%1\"? The catalogue goes back to how it was before it.").arg(what),
            Prompter::YesNo, QStringLiteral("Undo")) != Prompter::Yes)
        return;
    auto failure = std::make_shared<Failure>();
    JobRunner::Job job;
    job.objectName = QStringLiteral("undoProgress");
    job.title = QStringLiteral("Undo");
    job.text = QStringLiteral("Undoing %1").arg(what);
    job.work = [failure, catalogue = c.session->databasePath(),
                damage = c.session->damageWaiter()](JobControl& control) {
        control.setCancellable(false); // half a catalogue back would help nobody
        if ((*failure = damage({})))
            return;
        *failure = CatalogueCopy::restore(
            CatalogueCopy::undoPathFor(catalogue), catalogue, [&control](qint64 done, qint64 total) {
                control.progress(QStringLiteral("Putting the catalogue back"), done, total);
                return true;
            });
    };
    job.done = [this, failure, what] {
        retire();
        if (*failure) {
            m_context.prompter->ask(
                QStringLiteral("\"%1\" was not undone: %2").arg(what, failure->description));
            return;
        }
        if (m_finished)
            m_finished(QStringLiteral("Undone: %1").arg(what));
    };
    c.jobs->start(std::move(job));
}
