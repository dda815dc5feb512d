#include "personnelmodel.h"

#include <limits>

namespace vantor {

void PersonnelModel::setRecordSet(const RecordSet* records)
{
    beginResetModel();
    m_records = records;
    endResetModel();
}

int PersonnelModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_records)
        return 0;
    return int(std::min<qsizetype>(m_records->keysetSize(), std::numeric_limits<int>::max()));
}

int PersonnelModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_records ? 0 : m_records->fieldCount();
}

QVariant PersonnelModel::data(const QModelIndex& index, int role) const
{
    if (!m_records || !index.isValid() || role != Qt::DisplayRole)
        return {};
    // A row that cannot be read shows empty rather than stopping the grid from painting.
    return m_records->valueAt(index.row(), index.column()).toString();
}

QVariant PersonnelModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_records)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return m_records->fieldName(section);
    return {};
}

} // namespace vantor
