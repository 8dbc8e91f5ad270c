#include "app/disccomparisonwindow.h"

#include "app/backgroundread.h"
#include "app/busypointer.h"
#include "app/prompter.h"
#include "browse/exporter.h"
#include "store/playtime.h"
#include "store/songtotals.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QVBoxLayout>

DiscComparisonWindow::DiscComparisonWindow(QString catalogue, Prompter* prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_comparing(new BackgroundRead(std::move(catalogue), this))
{
    setObjectName(QStringLiteral("frmcomparediscs"));
    setWindowTitle(QStringLiteral("Compare Discs"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblcomparison"));
    m_lists = new QTreeWidget(this);
    m_lists->setObjectName(QStringLiteral("lstcomparison"));
    m_lists->setRootIsDecorated(true);
    m_lists->setUniformRowHeights(true);
    m_lists->setAlternatingRowColors(true);
    m_lists->header()->setStretchLastSection(true);
    m_export = new QPushButton(QStringLiteral("&Export…"), this);
    m_export->setObjectName(QStringLiteral("cmdexportcomparison"));
    m_export->setAutoDefault(false);
    m_export->setEnabled(false);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_export);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_lists);
    layout->addLayout(buttons);
    resize(900, 520);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_export, &QPushButton::clicked, this, &DiscComparisonWindow::exportComparison);
}

QString DiscComparisonWindow::nameOf(const Disc& disc) const
{
    const QString name = disc.name.isEmpty() ? QStringLiteral("(no name)") : disc.name;
    // Two discs of one name are told apart by the folder each was walked from.
    if (Discs::sameName(m_first.name, m_second.name) && disc.recorded)
        return QStringLiteral("%1 (%2)").arg(name, disc.record.root);
    return name;
}

void DiscComparisonWindow::compare(const Disc& first, const Disc& second)
{
    m_first = first;
    m_second = second;
    m_shown = DiscComparison();
    m_lists->clear();
    m_export->setEnabled(false);
    m_status->setText(QStringLiteral("Comparing %1 with %2…").arg(nameOf(first), nameOf(second)));
    m_lists->setHeaderLabels({QStringLiteral("Artist"), QStringLiteral("Title"), QStringLiteral("Play time"),
                              QStringLiteral("Category"), QStringLiteral("Folder on %1").arg(nameOf(first)),
                              QStringLiteral("Folder on %1").arg(nameOf(second))});
    BackgroundRead::Work work;
    work.read = [this, first, second](Database& db, const BackgroundRead::Run& run) {
        DiscComparison comparison;
        if (const Failure failure = DiscCompare::compare(db, first, second, &comparison)) {
            run.deliver([this, why = failure.description] { showFailure(why); });
            return;
        }
        run.deliver([this, comparison = std::move(comparison)] { showComparison(comparison); });
    };
    work.failed = [this](const QString& why) { showFailure(why); };
    m_comparing->start(std::move(work));
}

bool DiscComparisonWindow::isComparing() const
{
    return m_comparing->isRunning();
}

void DiscComparisonWindow::showFailure(const QString& why)
{
    m_status->setText(QStringLiteral("The discs could not be compared: %1").arg(why));
}

void DiscComparisonWindow::showComparison(const DiscComparison& comparison)
{
    m_shown = comparison;
    m_lists->setUpdatesEnabled(false);
    m_lists->clear();
    const struct
    {
        QString heading;
        const std::vector<ComparedSong>& songs;
    } lists[] = {{QStringLiteral("Only on %1").arg(nameOf(m_first)), comparison.onlyFirst},
                 {QStringLiteral("Only on %1").arg(nameOf(m_second)), comparison.onlySecond},
                 {QStringLiteral("On both"), comparison.both}};
    for (const auto& list : lists) {
        auto* heading = new QTreeWidgetItem(
            m_lists,
            {QStringLiteral("%1 (%2)").arg(list.heading, SongTotals::countText(qint64(list.songs.size())))});
        heading->setFirstColumnSpanned(true);
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        QList<QTreeWidgetItem*> items;
        items.reserve(qsizetype(list.songs.size()));
        // Play times as the grid shows them ("3:05"); the export keeps them as stored.
        for (const ComparedSong& song : list.songs)
            items << new QTreeWidgetItem({song.artist, song.title, PlayTime::shown(song.playTime),
                                          song.category, song.firstFolder, song.secondFolder});
        heading->addChildren(items);
        heading->setExpanded(true);
    }
    m_lists->setUpdatesEnabled(true);
    m_lists->setCurrentItem(m_lists->topLevelItem(0));
    for (int column = 0; column < m_lists->columnCount() - 1; ++column)
        m_lists->resizeColumnToContents(column);
    m_status->setText(QStringLiteral("%1 and %2: %3 only on the first, %4 only on the second, %5 on both")
                          .arg(nameOf(m_first), nameOf(m_second),
                               SongTotals::countText(qint64(comparison.onlyFirst.size())),
                               SongTotals::countText(qint64(comparison.onlySecond.size())),
                               SongTotals::countText(qint64(comparison.both.size()))));
    m_export->setEnabled(true);
}

QList<QStringList> DiscComparisonWindow::csvLines() const
{
    QList<QStringList> lines{{QStringLiteral("List"), QStringLiteral("Artist"), QStringLiteral("Title"),
                              QStringLiteral("Playtime"), QStringLiteral("Category"),
                              QStringLiteral("Folder on %1").arg(nameOf(m_first)),
                              QStringLiteral("Folder on %1").arg(nameOf(m_second))}};
    const auto add = [&lines](const QString& list, const std::vector<ComparedSong>& songs) {
        for (const ComparedSong& song : songs)
            lines << QStringList{list,          song.artist,      song.title,       song.playTime,
                                 song.category, song.firstFolder, song.secondFolder};
    };
    add(QStringLiteral("Only on %1").arg(nameOf(m_first)), m_shown.onlyFirst);
    add(QStringLiteral("Only on %1").arg(nameOf(m_second)), m_shown.onlySecond);
    add(QStringLiteral("On both"), m_shown.both);
    return lines;
}

void DiscComparisonWindow::exportComparison()
{
    Prompter::OwnedBy asked(m_prompter, this);
    QString name = QStringLiteral("%1 and %2.csv").arg(m_first.name, m_second.name);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QString file =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QLatin1Char('/') + name;
    if (!m_prompter->chooseFileToWrite(QStringLiteral("Export Comparison"),
                                       {QStringLiteral("CSV files (*.csv)")}, &file))
        return;
    Failure failure;
    {
        BusyPointer busy;
        failure = Exporter::writeCsv(file, csvLines());
    }
    if (failure)
        m_prompter->ask(failure.description);
    else
        m_status->setText(QStringLiteral("Exported to %1").arg(file));
}
