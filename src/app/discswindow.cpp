#include "app/discswindow.h"

#include "app/backgroundread.h"
#include "app/discjobs.h"
#include "browse/songlocator.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
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
    LocationColumn, // the notes, in the order of DiscNotes::Field
    LentToColumn,
    LentOnColumn,
    NoteColumn,
    LabelColumn,
    UuidColumn,
    FileSystemColumn,
    FolderColumn,
    BuiltColumn,
    DriveColumn,
    ColumnCount
};

constexpr int firstNoteColumn = LocationColumn;
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

void setNumber(QStandardItem* item, qint64 value, const QString& text = {})
{
    item->setText(text.isNull() ? QLocale().toString(value) : text);
    item->setData(value, sortRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QStandardItem* number(qint64 value)
{
    QStandardItem* item = cell(QString());
    setNumber(item, value);
    return item;
}

bool isNoteColumn(int column)
{
    return column >= firstNoteColumn && column < firstNoteColumn + DiscNotes::FieldCount;
}

QStandardItem* noteCell(const Disc& disc, DiscNotes::Field field)
{
    QStandardItem* item = cell(disc.record.notes.text(field));
    item->setToolTip(item->text());
    // Songs without a disc name have nothing to keep notes by.
    item->setEditable(!disc.name.isEmpty());
    return item;
}

} // namespace

DiscsWindow::DiscsWindow(QString catalogue, VolumeSource* volumes, QWidget* parent)
    : QDialog(parent), m_volumes(volumes), m_counting(new BackgroundRead(std::move(catalogue), this))
{
    setObjectName(QStringLiteral("frmdiscs"));
    setWindowTitle(QStringLiteral("Discs"));
    m_model = new QStandardItemModel(0, ColumnCount, this);
    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Disc"), QStringLiteral("Songs"), QStringLiteral("Play time"),
         QStringLiteral("Without play time"), QStringLiteral("Location"), QStringLiteral("Lent to"),
         QStringLiteral("Lent on"), QStringLiteral("Note"), QStringLiteral("Label"), QStringLiteral("UUID"),
         QStringLiteral("File system"), QStringLiteral("Walked from"), QStringLiteral("Built"),
         QStringLiteral("In a drive")});
    m_model->setHeaderData(LentOnColumn, Qt::Horizontal,
                           QStringLiteral("The day it was lent, written as 2026-10-01"), Qt::ToolTipRole);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(sortRole);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("lstdiscs"));
    m_list->setModel(m_sorted);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(-1, Qt::AscendingOrder); // the order the catalogue gives, until a head is clicked
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Two discs selected are compared.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The notes are edited where they are shown: a double click, or Enter and F2 (below).
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked);
    m_list->installEventFilter(this);
    m_list->setTabKeyNavigation(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_status = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_status);
    layout->addLayout(makeButtons());
    resize(900, 420);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &DiscsWindow::updateButtons);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DiscsWindow::updateButtons);
    connect(m_model, &QStandardItemModel::itemChanged, this, &DiscsWindow::takeEditedNote);
    connect(m_counting, &BackgroundRead::finished, this, &DiscsWindow::countingDone);
    updateButtons();
}

QHBoxLayout* DiscsWindow::makeButtons()
{
    m_update = new QPushButton(QStringLiteral("&Update…"), this);
    m_update->setObjectName(QStringLiteral("cmdupdatedisc"));
    m_update->setToolTip(QStringLiteral("Read the disc again and bring its songs up to date"));
    m_rename = new QPushButton(QStringLiteral("Re&name…"), this);
    m_rename->setObjectName(QStringLiteral("cmdrenamedisc"));
    m_remove = new QPushButton(QStringLiteral("&Remove…"), this);
    m_remove->setObjectName(QStringLiteral("cmdremovedisc"));
    m_compare = new QPushButton(QStringLiteral("Co&mpare…"), this);
    m_compare->setObjectName(QStringLiteral("cmdcomparediscs"));
    m_compare->setToolTip(
        QStringLiteral("The songs only on either of two discs selected, and those on both"));
    // Besides the buttons' letters, the keys file managers use for the same.
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this,
            [this] { editCurrentCell(true); });
    connect(new QShortcut(QKeySequence::Delete, this), &QShortcut::activated, m_remove, &QPushButton::click);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_update, m_rename, m_remove, m_compare}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_update, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::updateRequested); });
    connect(m_rename, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::renameRequested); });
    connect(m_remove, &QPushButton::clicked, this, [this] { requestFor(&DiscsWindow::removeRequested); });
    connect(m_compare, &QPushButton::clicked, this, [this] {
        const QList<Disc> discs = selectedDiscs();
        if (discs.size() == 2)
            emit compareRequested(discs[0], discs[1]);
    });
    return buttons;
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
        run.deliver([this, discs] { fill(discs); });
        // The play times need every song read: they come a moment later.
        if (Discs::addPlayTimes(db, &discs, run.stopFlag()).failed() || run.stopped())
            return;
        run.deliver([this, discs] { showPlayTimes(discs); });
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

void DiscsWindow::fill(const QList<Disc>& discs)
{
    // The same disc stays current when the list is counted again; where it went (renamed,
    // removed), the row in its place.
    Disc current;
    const bool hadCurrent = currentDisc(&current);
    const int column = qMax(m_list->currentIndex().column(), 0);
    const int place = qMax(m_list->currentIndex().row(), 0);
    m_filling = true; // cells the program sets are no edits
    m_discs = discs;
    m_model->removeRows(0, m_model->rowCount());
    qint64 songs = 0;
    for (qsizetype i = 0; i < m_discs.size(); ++i) {
        const Disc& disc = m_discs[i];
        songs += disc.songs;
        QList<QStandardItem*> row{
            cell(disc.name.isEmpty() ? QStringLiteral("(no name)") : disc.name),
            number(disc.songs),
            cell(QString(), -1),
            cell(QString(), -1),
        };
        for (int field = 0; field < DiscNotes::FieldCount; ++field)
            row << noteCell(disc, DiscNotes::Field(field));
        row << cell(disc.record.label) << cell(disc.record.uuid) << cell(disc.record.fileSystem)
            << cell(disc.recorded ? disc.record.root : QStringLiteral("(not known)"))
            << cell(disc.record.built) << cell(QString());
        row[NameColumn]->setData(int(i), discRole);
        m_model->appendRow(row);
    }
    m_filling = false;
    showDrives();
    m_status->setText(QStringLiteral("%1 discs, %2 songs; adding up the play times…")
                          .arg(m_discs.size())
                          .arg(QLocale().toString(songs)));
    int currentRow = qMin(place, m_sorted->rowCount() - 1);
    for (int row = 0; hadCurrent && row < m_sorted->rowCount(); ++row) {
        if (m_discs[m_sorted->index(row, NameColumn).data(discRole).toInt()].sameDisc(current))
            currentRow = row;
    }
    if (currentRow >= 0)
        m_list->setCurrentIndex(m_sorted->index(currentRow, column));
    m_list->resizeColumnsToContents();
    for (int field = 0; field < DiscNotes::FieldCount; ++field)
        fitNoteColumn(firstNoteColumn + field);
    if (m_fitToColumns)
        fitToColumns();
    updateButtons();
}

void DiscsWindow::showPlayTimes(const QList<Disc>& discs)
{
    // In place: a note being edited, the selection and the current cell stay as they are.
    m_filling = true;
    qint64 songs = 0;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const int i = m_model->item(row, NameColumn)->data(discRole).toInt();
        if (i < 0 || i >= discs.size() || i >= m_discs.size() || !discs[i].sameDisc(m_discs[i]))
            continue;
        Disc& disc = m_discs[i];
        disc.timesKnown = discs[i].timesKnown;
        disc.seconds = discs[i].seconds;
        disc.withoutTime = discs[i].withoutTime;
        songs += disc.songs;
        if (!disc.timesKnown)
            continue;
        setNumber(m_model->item(row, PlayTimeColumn), disc.seconds, playTimeText(disc.seconds));
        setNumber(m_model->item(row, WithoutTimeColumn), disc.withoutTime);
    }
    m_filling = false;
    m_status->setText(
        QStringLiteral("%1 discs, %2 songs").arg(m_discs.size()).arg(QLocale().toString(songs)));
}

void DiscsWindow::takeEditedNote(QStandardItem* item)
{
    if (m_filling || !isNoteColumn(item->column()))
        return;
    const int i = m_model->item(item->row(), NameColumn)->data(discRole).toInt();
    if (i < 0 || i >= m_discs.size())
        return;
    const auto field = DiscNotes::Field(item->column() - firstNoteColumn);
    if (item->text() == m_discs[i].record.notes.text(field))
        return;
    // Once the editor has closed: what storing it says is not shown over an open editor.
    QMetaObject::invokeMethod(
        this, [this, disc = m_discs[i], field, text = item->text()] { emit noteEdited(disc, field, text); },
        Qt::QueuedConnection);
}

void DiscsWindow::showNote(const Disc& disc, DiscNotes::Field field, const QString& text)
{
    const int row = rowOfDisc(disc);
    if (row < 0)
        return;
    Disc& shown = m_discs[m_model->item(row, NameColumn)->data(discRole).toInt()];
    shown.record.notes.set(field, text);
    m_filling = true;
    QStandardItem* item = m_model->item(row, firstNoteColumn + field);
    item->setText(text);
    item->setToolTip(text);
    item->setData(text.toLower(), sortRole);
    m_filling = false;
    fitNoteColumn(item->column());
}

void DiscsWindow::fitNoteColumn(int column)
{
    // A long note does not push the columns after it out of sight: it is read whole in its
    // tip, or in its editor.
    const int widest = m_list->fontMetrics().averageCharWidth() * 32;
    const QAbstractItemView* view = m_list;
    m_list->setColumnWidth(column, qMin(qMax(view->sizeHintForColumn(column),
                                             m_list->horizontalHeader()->sectionSizeHint(column)),
                                        widest));
}

int DiscsWindow::rowOfDisc(const Disc& disc) const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const int i = m_model->item(row, NameColumn)->data(discRole).toInt();
        if (i >= 0 && i < m_discs.size() && m_discs[i].sameDisc(disc))
            return row;
    }
    return -1;
}

void DiscsWindow::editCurrentCell(bool orRename)
{
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid() && isNoteColumn(current.column())) {
        if (m_commandsEnabled && (m_sorted->flags(current) & Qt::ItemIsEditable))
            m_list->edit(current);
    } else if (orRename) {
        m_rename->click();
    }
}

bool DiscsWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on a note begins to edit it (while it is edited, the keys go to its editor).
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier && isNoteColumn(m_list->currentIndex().column())) {
            editCurrentCell(false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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

QList<Disc> DiscsWindow::selectedDiscs() const
{
    QModelIndexList rows = m_list->selectionModel()->selectedRows(NameColumn);
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<Disc> discs;
    for (const QModelIndex& row : std::as_const(rows)) {
        const int i = row.data(discRole).toInt();
        if (i >= 0 && i < m_discs.size())
            discs << m_discs[i];
    }
    return discs;
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
    // While a command writes, no note is stored beside it.
    m_list->setEditTriggers(enabled ? QAbstractItemView::DoubleClicked : QAbstractItemView::NoEditTriggers);
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
    const qsizetype selected = m_list->selectionModel()->selectedRows().size();
    // A command for one disc is not given while several are selected.
    const bool one = m_commandsEnabled && currentDisc(&disc) && selected <= 1;
    m_update->setEnabled(one);
    m_rename->setEnabled(one);
    m_remove->setEnabled(one);
    m_compare->setEnabled(m_commandsEnabled && selected == 2);
}

void DiscsWindow::requestFor(void (DiscsWindow::*signal)(const Disc&))
{
    Disc disc;
    if (currentDisc(&disc))
        emit(this->*signal)(disc);
}
