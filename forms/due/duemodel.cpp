#include "duemodel.h"

#include <QBrush>
#include <QColor>

namespace vantor {

void DueModel::setList(const due::DueList& list)
{
    beginResetModel();
    m_list = list;
    m_rows.clear();
    m_rows.reserve(list.members.size());
    for (const due::DueMember& member : list.members)
        m_rows << due::dueValues(member, list.today);
    endResetModel();
}

int DueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DueModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_headings.size());
}

QVariant DueModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_rows.at(index.row()).value(index.column());
    // Overdue members, and those with nothing on record, stand out in red.
    if (role == Qt::ForegroundRole && m_list.members.at(index.row()).daysLeft(m_list.today) < 0)
        return QBrush(QColor(176, 0, 0));
    if (role == Qt::ForegroundRole && !m_list.members.at(index.row()).due.isValid())
        return QBrush(QColor(176, 0, 0));
    return {};
}

QVariant DueModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    return m_headings.value(section);
}

} // namespace vantor
