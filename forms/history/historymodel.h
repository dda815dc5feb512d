#pragma once

#include <historylist.h>

#include <QAbstractTableModel>

namespace vantor {

// The History window's grid: one row per entry, newest first.
class HistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setEntries(const QList<history::Entry>& entries);
    const QList<history::Entry>& entries() const { return m_entries; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Everything an entry says, a line each: when and by whom, what, every field before and after.
    static QString details(const history::Entry& entry);

private:
    QList<history::Entry> m_entries;
};

} // namespace vantor
