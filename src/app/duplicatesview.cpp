#include "app/duplicatesview.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "settings/settings.h"
#include "store/recordset.h"
#include "store/songtotals.h"

#include <QAction>
#include <QLabel>

#include <memory>

void DuplicatesView::attach(QAction* show, QAction* oneDiscToo)
{
    m_show = show;
    m_oneDiscToo = oneDiscToo;
    oneDiscToo->setChecked(m_settings->duplicatesOnOneDisc());
    RecordSet* records = m_context.session->records();
    QObject::connect(show, &QAction::triggered, show, [this](bool checked) {
        if (checked)
            showAgain();
        else
            m_context.session->refreshKeepingRow(RecordSource::defaultSource());
    });
    QObject::connect(oneDiscToo, &QAction::triggered, oneDiscToo, [this](bool sameDisc) {
        m_settings->setDuplicatesOnOneDisc(sameDisc);
        if (m_show->isChecked())
            showAgain();
    });
    QObject::connect(records, &RecordSet::resetDone, show, [show, records] {
        show->setChecked(records->recordSource().kind == RecordSource::Kind::Duplicates);
    });
}

void DuplicatesView::showRowsAgain(bool keepRow)
{
    const RecordSource& shown = m_context.session->records()->recordSource();
    if (shown.kind == RecordSource::Kind::Duplicates)
        showAgain(shown.orderBy);
    else if (keepRow)
        m_context.session->refreshKeepingRow();
    else
        m_context.session->refresh();
}

void DuplicatesView::sortBy(const QStringList& orderBy)
{
    showAgain(orderBy);
}

void DuplicatesView::showAgain(const QStringList& orderBy)
{
    struct Found
    {
        std::vector<qint64> rowids;
        Failure failure;
        bool cancelled = false;
    };
    auto found = std::make_shared<Found>();
    const bool sameDiscToo = m_oneDiscToo && m_oneDiscToo->isChecked();
    RecordSource source = RecordSource::duplicates(sameDiscToo);
    source.orderBy = orderBy;
    JobRunner::Job job;
    job.objectName = QStringLiteral("duplicatesProgress");
    job.title = QStringLiteral("Show Duplicates");
    job.text = QStringLiteral("Looking for songs that are on more than one disc");
    job.work = [found, sameDiscToo, orderBy,
                catalogue = m_context.session->databasePath()](JobControl& control) {
        Database db;
        if ((found->failure = db.open(catalogue, true)))
            return;
        found->failure = Duplicates::find(
            db, sameDiscToo, &found->rowids, [&control] { return control.cancelled(); }, orderBy);
        found->cancelled = control.cancelled();
    };
    job.done = [this, found, source] {
        RecordSet* records = m_context.session->records();
        Failure failure = found->failure;
        if (!failure && !found->cancelled)
            failure = records->adoptRows(source, std::move(found->rowids));
        if (failure)
            m_context.prompter->ask(failure.description);
        if (m_show)
            m_show->setChecked(records->recordSource().kind == RecordSource::Kind::Duplicates);
        if (!failure && !found->cancelled && m_shown)
            m_shown();
    };
    if (!m_context.jobs->start(std::move(job)) && m_show)
        m_show->setChecked(m_context.session->records()->recordSource().kind ==
                           RecordSource::Kind::Duplicates);
}

QString DuplicatesView::alsoOn(RecordSet& records, qint64 index)
{
    if (records.recordSource().kind != RecordSource::Kind::Duplicates || index < 0 ||
        index >= records.recordCount())
        return QString();
    const auto keyAt = [&records](qint64 i) {
        return Duplicates::songKey(records.value(i, Song::Artist).toString().toStdString(),
                                   records.value(i, Song::Title).toString().toStdString());
    };
    const std::string key = keyAt(index);
    const QString disc = records.value(index, Song::MP3cd).toString();
    QStringList others;
    int onThisDisc = 1;
    const auto take = [&](qint64 i) {
        const QString other = records.value(i, Song::MP3cd).toString();
        if (other.compare(disc, Qt::CaseInsensitive) == 0)
            ++onThisDisc;
        else if (!others.contains(other, Qt::CaseInsensitive))
            others << other;
    };
    // The rows of one song stand together.
    for (qint64 i = index - 1; i >= 0 && keyAt(i) == key; --i)
        take(i);
    for (qint64 i = index + 1; i < records.recordCount() && keyAt(i) == key; ++i)
        take(i);
    others.sort(Qt::CaseInsensitive);
    QStringList said;
    if (!others.isEmpty())
        said << QStringLiteral("Also on: ") + others.join(QStringLiteral(", "));
    if (onThisDisc > 1)
        said << (onThisDisc == 2 ? QStringLiteral("Twice on %1").arg(disc)
                                 : QStringLiteral("%1 times on %2").arg(onThisDisc).arg(disc));
    return said.join(QStringLiteral(" · "));
}

QLabel* DuplicatesView::alsoOnLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblalsoon"));
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setContentsMargins(4, 0, 4, 0);
    label->hide();
    return label;
}

void DuplicatesView::showAlsoOn(QLabel* label, RecordSet& records, qint64 index)
{
    label->setText(alsoOn(records, index));
    label->setVisible(!label->text().isEmpty());
}
