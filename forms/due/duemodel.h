#pragma once

#include <duelist.h>

#include <QAbstractTableModel>

namespace vantor {

// The Fit Tests Due window's grid: one row per member of the list, in its order.
class DueModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setList(const due::DueList& list);
    const due::DueList& list() const { return m_list; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    due::DueList m_list;
    QList<QStringList> m_rows;
    QStringList m_headings = due::dueHeadings();
};

} // namespace vantor
