#include "store/songmodel.h"

#include "store/playtime.h"

SongModel::SongModel(RecordSet* records, QObject* parent) : QAbstractTableModel(parent), m_records(records)
{
    // Each column is headed by its field's name.
    for (int column = 0; column < Song::ColumnCount; ++column)
        m_captions << Song::fieldNames()[Song::gridColumnField[size_t(column)]];
    connect(records, &RecordSet::aboutToReset, this, [this] {
        beginResetModel();
        m_unsaved.clear(); // a refresh shows what is stored
    });
    connect(records, &RecordSet::resetDone, this, [this] { endResetModel(); });
    connect(records, &RecordSet::rowAboutToBeRemoved, this,
            [this](qint64 row) { beginRemoveRows(QModelIndex(), int(row), int(row)); });
    connect(records, &RecordSet::rowRemoved, this, [this] { endRemoveRows(); });
    // A stored new row takes the new row's place; a fresh empty row follows it.
    connect(records, &RecordSet::rowAboutToBeAppended, this,
            [this](qint64 row) { beginInsertRows(QModelIndex(), int(row) + 1, int(row) + 1); });
    connect(records, &RecordSet::rowAppended, this, [this](qint64 row) {
        if (m_committing) {
            for (QVariant& v : m_pending)
                v = QVariant();
        }
        endInsertRows();
        emit dataChanged(index(int(row), 0), index(int(row), columnCount() - 1));
    });
    connect(records, &RecordSet::rowChanged, this,
            [this](qint64 row) { emit dataChanged(index(int(row), 0), index(int(row), columnCount() - 1)); });
}

int SongModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_records->isActive())
        return 0;
    return int(m_records->recordCount()) + (m_readOnly ? 0 : 1);
}

void SongModel::setReadOnly(bool readOnly)
{
    beginResetModel();
    m_readOnly = readOnly;
    endResetModel();
}

int SongModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Song::ColumnCount;
}

QString SongModel::yesNoText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    return value.toLongLong() != 0 ? QStringLiteral("Yes") : QStringLiteral("NotYet");
}

QVariant SongModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const int field = Song::gridColumnField[size_t(index.column())];
    QVariant value;
    if (index.row() == newRow()) {
        value = m_pending[size_t(field)];
    } else {
        const auto unsaved = m_unsaved.find({m_records->rowidAt(index.row()), field});
        value = unsaved != m_unsaved.end() ? unsaved->second : m_records->value(index.row(), field);
    }
    if (field == Song::ONcd)
        return yesNoText(value);
    if (field == Song::Playtime)
        return PlayTime::shown(value);
    return value.isNull() ? QVariant(QString()) : QVariant(value.toString());
}

bool SongModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole)
        return false;
    if (index.row() != newRow() && m_writeGate && !m_writeGate())
        return false;
    const Failure failure = storeCell(index, value);
    // A catalogue busy with another program's writing keeps the user's text in the cell, to
    // be stored again; it is no lost edit.
    const int field = Song::gridColumnField[size_t(index.column())];
    if (isBusy(failure) && index.row() != newRow() && field != Song::ONcd) {
        m_unsaved[{m_records->rowidAt(index.row()), field}] = value.toString();
        emit dataChanged(index, index);
    } else if (index.row() != newRow()) {
        m_unsaved.erase({m_records->rowidAt(index.row()), field});
    }
    // A refusal of the catalogue is the data control's error; words the cell cannot take
    // are said as they are.
    if (failure.kind == FailureKind::Entry)
        emit entryRefused(failure.description);
    else if (failure)
        m_records->raiseError(failure);
    return !failure;
}

Failure SongModel::storeCell(const QModelIndex& index, const QVariant& value)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {FailureNumber::InvalidArgument, QStringLiteral("There is no such cell.")};
    const int field = Song::gridColumnField[size_t(index.column())];
    QVariant stored = value.toString();
    if (field == Song::Playtime)
        stored = PlayTime::fromTyped(value.toString());
    if (field == Song::ONcd) {
        // The yes/no column takes its display words back.
        const QString text = value.toString();
        if (text == QLatin1String("Yes"))
            stored = qint64(1);
        else if (text == QLatin1String("NotYet"))
            stored = qint64(0);
        else if (text.isEmpty())
            stored = QVariant();
        else
            return {FailureNumber::InvalidArgument, QStringLiteral("Type Yes or NotYet."),
                    FailureKind::Entry};
    }
    if (index.row() == newRow()) {
        m_pending[size_t(field)] = stored;
        emit dataChanged(index, index);
        return {};
    }
    return m_records->updateField(index.row(), field, stored);
}

Qt::ItemFlags SongModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (m_readOnly)
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant SongModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return m_captions.value(section);
    if (section == newRow())
        return QStringLiteral("*");
    return QVariant();
}

bool SongModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::EditRole || section < 0 || section >= m_captions.size())
        return false;
    m_captions[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

void SongModel::rereadAll()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool SongModel::newRowPending() const
{
    for (const QVariant& v : m_pending) {
        if (!v.isNull() && v.isValid() && !(v.typeId() == QMetaType::QString && v.toString().isEmpty()))
            return true;
    }
    return false;
}

bool SongModel::commitNewRow()
{
    if (!newRowPending())
        return true;
    if (m_writeGate && !m_writeGate())
        return false;
    // Once stored, the row is shown from the record set and the new row is empty again.
    // A song typed in is not yet on a CD, as a built one is not: "NotYet" unless marked.
    RecordSet::Row row = m_pending;
    if (row[Song::ONcd].isNull())
        row[Song::ONcd] = qint64(0);
    m_committing = true;
    const Failure failure = m_records->addNew(row);
    m_committing = false;
    if (failure)
        m_records->raiseError(failure);
    return !failure.failed();
}

void SongModel::discardNewRow()
{
    for (QVariant& v : m_pending)
        v = QVariant();
    if (m_records->isActive())
        emit dataChanged(index(newRow(), 0), index(newRow(), columnCount() - 1));
}
