#include "app/duplicatesview.h"

#include "app/cataloguesession.h"
#include "app/jobrunner.h"
#include "app/prompter.h"
#include "store/recordset.h"
#include "store/songtotals.h"

#include <memory>

bool DuplicatesView::show(bool sameDiscToo, const std::function<void(bool shown)>& shown)
{
    struct Found
    {
        std::vector<qint64> rowids;
        Failure failure;
        bool cancelled = false;
    };
    auto found = std::make_shared<Found>();
    const RecordSource source = RecordSource::duplicates(sameDiscToo);
    JobRunner::Job job;
    job.objectName = QStringLiteral("duplicatesProgress");
    job.title = QStringLiteral("Show Duplicates");
    job.text = QStringLiteral("Looking for songs that are on more than one disc");
    job.work = [found, sameDiscToo, catalogue = m_context.session->databasePath()](JobControl& control) {
        Database db;
        if ((found->failure = db.open(catalogue, true)))
            return;
        found->failure =
            Duplicates::find(db, sameDiscToo, &found->rowids, [&control] { return control.cancelled(); });
        found->cancelled = control.cancelled();
    };
    job.done = [this, found, source, shown] {
        RecordSet* records = m_context.session->records();
        Failure failure = found->failure;
        if (!failure && !found->cancelled)
            failure = records->adoptRows(source, std::move(found->rowids));
        if (failure)
            m_context.prompter->ask(failure.description);
        if (shown)
            shown(!failure && !found->cancelled);
    };
    return m_context.jobs->start(std::move(job));
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
    const auto take = [&](qint64 i) {
        const QString other = records.value(i, Song::MP3cd).toString();
        if (other.compare(disc, Qt::CaseInsensitive) != 0 && !others.contains(other, Qt::CaseInsensitive))
            others << other;
    };
    // The rows of one song stand together.
    for (qint64 i = index - 1; i >= 0 && keyAt(i) == key; --i)
        take(i);
    for (qint64 i = index + 1; i < records.recordCount() && keyAt(i) == key; ++i)
        take(i);
    others.sort(Qt::CaseInsensitive);
    return others.isEmpty() ? QString() : QStringLiteral("Also on: ") + others.join(QStringLiteral(", "));
}
