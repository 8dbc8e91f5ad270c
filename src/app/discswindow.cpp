#include "app/discswindow.h"

#include "app/backgroundread.h"
#include "app/discjobs.h"
#include "browse/songlocator.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum Column
{
    NameColumn,
    SongsColumn,
    PlayTimeColumn,
    WithoutTimeColumn,
    LabelColumn,
    UuidColumn,
    FileSystemColumn,
    FolderColumn,
    BuiltColumn,
    DriveColumn,
    ColumnCount
};

constexpr int sortRole = Qt::UserRole + 1;
constexpr int discRole = Qt::UserRole + 2; // the row's place in the list of discs

QString playTimeText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStandardItem* cell(const QString& text, const QVariant& order = {})
{
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    item->setData(order.isValid() ? order : QVariant(text.toLower()), sortRole);
    return item;
}

QStandardItem* number(qint64 value, const QString& text = {})
{
    QStandardItem* item = cell(text.isNull() ? QLocale().toString(value) : text, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

DiscsWindow::DiscsWindow(QString catalogue, VolumeSource* volumes, QWidget* parent)
    : QDialog(parent), m_volumes(volumes), m_counting(new BackgroundRead(std::move(catalogue), this))
{
    setObjectName(QStringLiteral("frmdiscs"));
    setWindowTitle(QStringLiteral("Discs"));
    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels({QStringLiteral("Disc"), QStringLiteral("Songs"),
                                        QStringLiteral("Play time"), QStringLiteral("Without play time"),
                                        QStringLiteral("Label"), QStringLiteral("UUID"),
                                        QStringLiteral("File system"), QStringLiteral("Walked from"),
                                        QStringLiteral("Built"), QStringLiteral("In a drive")});
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(sortRole);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("lstdiscs"));
    m_list->setModel(m_sorted);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(-1, Qt::AscendingOrder); // the order the catalogue gives, until a head is clicked
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_status = new QLabel(this);
    m_update = new QPushButton(QStringLiteral("&Update…"), this);
    m_update->setObjectName(QStringLiteral("cmdupdatedisc"));
    m_update->setToolTip(QStringLiteral("Read the disc again and bring its songs up to date"));
    m_rename = new QPushButton(QStringLiteral("Re&name…"), this);
    m_rename->setObjectName(QStringLiteral("cmdrenamedisc"));
    m_remove = new QPushButton(QStringLiteral("&Remove…"), this);
    m_remove->setObjectName(QStringLiteral("cmdremovedisc"));
    // Besides the buttons' letters, the keys file managers use for the same.
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, m_rename,
            &QPushButton::click);
    connect(new QShortcut(QKeySequence::Delete, this), &QShortcut::activated, m_remove, &QPushButton::click);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_update, m_rename, m_remove}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(900, 420);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_update, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::updateRequested); });
    connect(m_rename, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::renameRequested); });
    connect(m_remove, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::removeRequested); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &DiscsWindow::updateButtons);
    connect(m_counting, &BackgroundRead::finished, this, &DiscsWindow::countingDone);
    updateButtons();
}

void DiscsWindow::reload()
{
    m_status->setText(QStringLiteral("Counting the songs of each disc…"));
    BackgroundRead::Work work;
    work.read = [this](Database& db, const BackgroundRead::Run& run) {
        QList<Disc> discs;
        if (const Failure failure = Discs::list(db, &discs)) {
            run.deliver([this, why = failure.description] { showCountFailure(why); });
            return;
        }
        run.deliver([this, discs] { fill(discs, Counted::Songs); });
        // The play times need every song read: they come a moment later.
        if (Discs::addPlayTimes(db, &discs, run.stopFlag()).failed() || run.stopped())
            return;
        run.deliver([this, discs] { fill(discs, Counted::PlayTimes); });
    };
    work.failed = [this](const QString& why) { showCountFailure(why); };
    m_counting->start(std::move(work));
}

bool DiscsWindow::isCounting() const
{
    return m_counting->isRunning();
}

void DiscsWindow::showCountFailure(const QString& why)
{
    m_status->setText(QStringLiteral("The discs could not be counted: %1").arg(why));
}

void DiscsWindow::fill(const QList<Disc>& discs, Counted counted)
{
    // The same disc stays current when the list is counted again.
    Disc current;
    const bool hadCurrent = currentDisc(&current);
    m_discs = discs;
    m_model->removeRows(0, m_model->rowCount());
    qint64 songs = 0;
    for (qsizetype i = 0; i < m_discs.size(); ++i) {
        const Disc& disc = m_discs[i];
        songs += disc.songs;
        const bool times = counted == Counted::PlayTimes && disc.timesKnown;
        QList<QStandardItem*> row{
            cell(disc.name.isEmpty() ? QStringLiteral("(no name)") : disc.name),
            number(disc.songs),
            times ? number(disc.seconds, playTimeText(disc.seconds)) : cell(QString(), -1),
            times ? number(disc.withoutTime) : cell(QString(), -1),
            cell(disc.record.label),
            cell(disc.record.uuid),
            cell(disc.record.fileSystem),
            cell(disc.recorded ? disc.record.root : QStringLiteral("(not known)")),
            cell(disc.record.built),
            cell(QString()),
        };
        row[NameColumn]->setData(int(i), discRole);
        m_model->appendRow(row);
    }
    showDrives();
    m_status->setText(
        counted == Counted::Songs
            ? QStringLiteral("%1 discs, %2 songs; adding up the play times…")
                  .arg(m_discs.size())
                  .arg(QLocale().toString(songs))
            : QStringLiteral("%1 discs, %2 songs").arg(m_discs.size()).arg(QLocale().toString(songs)));
    for (int row = 0; row < m_sorted->rowCount(); ++row) {
        const Disc& disc = m_discs[m_sorted->index(row, NameColumn).data(discRole).toInt()];
        if ((hadCurrent && disc.sameDisc(current)) || (!hadCurrent && row == 0)) {
            m_list->setCurrentIndex(m_sorted->index(row, NameColumn));
            break;
        }
    }
    if (counted == Counted::Songs) {
        m_list->resizeColumnsToContents();
        if (m_fitToColumns)
            fitToColumns();
    }
    updateButtons();
}

void DiscsWindow::keepSize(const QSize& size)
{
    m_fitToColumns = false;
    resize(size);
}

void DiscsWindow::fitToColumns()
{
    // Every column in sight (the folders are long), as far as the screen allows.
    const QRect screen = (parentWidget() ? parentWidget()->screen() : this->screen())->availableGeometry();
    const int frame = frameGeometry().width() - geometry().width();
    const int margins = layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int wanted = m_list->horizontalHeader()->length() + 2 * m_list->frameWidth() +
                       m_list->verticalScrollBar()->sizeHint().width() + margins;
    const int width = qMin(qMax(wanted, this->width()), screen.width() - frame);
    resize(width, height());
    QRect placed = frameGeometry();
    placed.moveLeft(qBound(screen.left(), placed.left(), screen.right() + 1 - placed.width()));
    placed.moveTop(
        qBound(screen.top(), placed.top(), qMax(screen.top(), screen.bottom() + 1 - placed.height())));
    move(placed.topLeft());
}

void DiscsWindow::showDrives()
{
    const QList<Volume> volumes = m_volumes->volumes();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const Disc& disc = m_discs[m_model->item(row, NameColumn)->data(discRole).toInt()];
        const QString where = whereIsDisc(disc, volumes);
        QStandardItem* item = m_model->item(row, DriveColumn);
        item->setText(where.isEmpty() ? QStringLiteral("No") : where);
        item->setData(where.isEmpty() ? QStringLiteral("~") : where.toLower(), sortRole);
    }
}

bool DiscsWindow::currentDisc(Disc* disc) const
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return false;
    const int i = m_sorted->index(current.row(), NameColumn).data(discRole).toInt();
    if (i < 0 || i >= m_discs.size())
        return false;
    *disc = m_discs[i];
    return true;
}

void DiscsWindow::enableCommands(bool enabled)
{
    m_commandsEnabled = enabled;
    updateButtons();
}

void DiscsWindow::takeKeysBack()
{
    raise();
    activateWindow();
    m_list->setFocus(Qt::OtherFocusReason);
}

void DiscsWindow::updateButtons()
{
    Disc disc;
    const bool any = m_commandsEnabled && currentDisc(&disc);
    m_update->setEnabled(any);
    m_rename->setEnabled(any);
    m_remove->setEnabled(any);
}

void DiscsWindow::requestFor(void (DiscsWindow::*signal)(const Disc&))
{
    Disc disc;
    if (currentDisc(&disc))
        emit(this->*signal)(disc);
}
