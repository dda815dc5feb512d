#include "historymodel.h"

namespace vantor {

namespace {

enum Column { When, Who, Record, Action, Changes, ColumnCount };

} // namespace

void HistoryModel::setEntries(const QList<history::Entry>& entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

int HistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const history::Entry& entry = m_entries.at(index.row());
    switch (index.column()) {
    case When: return history::shownTime(entry);
    case Who: return history::shownWriter(entry);
    case Record: return history::recordName(entry);
    case Action: return history::actionName(entry.action);
    case Changes: return history::describeChanges(entry);
    default: return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char* const headings[ColumnCount]
        = {QT_TR_NOOP("When"), QT_TR_NOOP("Who"), QT_TR_NOOP("Record"), QT_TR_NOOP("Action"), QT_TR_NOOP("Changes")};
    return section >= 0 && section < ColumnCount ? tr(headings[section]) : QVariant();
}

QString HistoryModel::details(const history::Entry& entry)
{
    QStringList lines{tr("Entry %1, %2: %3 by %4 on %5 (%6 UTC)")
                          .arg(QString::number(entry.number), history::recordName(entry),
                               history::actionName(entry.action), history::shownWriter(entry),
                               history::shownTime(entry), entry.at)};
    const bool both = !entry.before.isEmpty() && !entry.after.isEmpty();
    const auto shown = [](const QString& value) {
        return value.isEmpty() ? tr("(blank)") : value;
    };
    for (const history::FieldChange& change : history::changesOf(entry)) {
        if (both)
            lines << tr("%1: %2 \u2192 %3").arg(change.field, shown(change.before), shown(change.after));
        else
            lines << tr("%1: %2").arg(change.field, shown(entry.after.isEmpty() ? change.before : change.after));
    }
    if (!entry.note.isEmpty())
        lines << tr("Note: %1").arg(entry.note);
    if (!entry.hashed)
        lines << tr("Made outside Vantor; sealed with the next change Vantor makes.");
    else if (!entry.sealed.isEmpty())
        lines << tr("Made outside Vantor; sealed later (%1).").arg(entry.sealed);
    return lines.join(u'\n');
}

} // namespace vantor
