#pragma once

#include "store/recordset.h"

#include <QAbstractTableModel>

#include <functional>
#include <map>

// The grid's view of the record set: seven columns (Artist, Title, Playtime, MP3cd, ONcd,
// Category, FullPath), one row per record, and below the last an empty new row that
// the user types a song into. The new row is stored when commitNewRow() is called,
// which the grid does when its current row leaves it.
class SongModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SongModel(RecordSet* records, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

    RecordSet* records() const { return m_records; }
    // Asked before an edit in the grid is stored; false keeps it out (the gate says why).
    void setWriteGate(std::function<bool()> gate) { m_writeGate = std::move(gate); }
    // A catalogue that must not be written: no cell can be edited and there is no new row.
    void setReadOnly(bool readOnly);
    int newRow() const { return int(m_records->recordCount()); }
    bool newRowPending() const;
    // Stores what the user typed into the new row. Answers false when it could not be stored.
    bool commitNewRow();
    void discardNewRow();
    // Writes a cell as the program, not the user, does: a refusal is answered, not raised
    // as the data control's error event.
    Failure storeCell(const QModelIndex& index, const QVariant& value);

    // Asks the views to read every cell they show again: rows that could not be read are
    // tried anew.
    void rereadAll();

    // The display words of the yes/no column.
    static QString yesNoText(const QVariant& value);

signals:
    // Text typed into a cell that the cell cannot take ("Type Yes or NotYet.").
    void entryRefused(const QString& text);

private:
    RecordSet* m_records;
    QStringList m_captions;
    RecordSet::Row m_pending;
    std::function<bool()> m_writeGate;
    bool m_committing = false;
    bool m_readOnly = false;
    // Edits the catalogue could not take while another program wrote to it: shown in their
    // cells until they are stored, by row identity and field.
    std::map<std::pair<qint64, int>, QVariant> m_unsaved;
};
