#pragma once

#include <recordset.h>

#include <QAbstractTableModel>

namespace vantor {

// The grid's view of a record set: one row per record of its keyset, one column per field,
// headed by the field names. Values are read only when the grid shows them; the record set
// fetches them a page at a time, so a list of any length scrolls as fast as a short one.
class PersonnelModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The record set to show, or none; it must outlive its use here.
    void setRecordSet(const RecordSet* records);
    const RecordSet* recordSet() const { return m_records; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const RecordSet* m_records = nullptr;
};

} // namespace vantor
