#include "app/models/itemlistmodel.h"

#include "list/itemtable.h"
#include "list/sharedends.h"
#include "text/strops.h"

namespace {

/// Beyond this many rows to remove one by one, a reset of the whole list is cheaper.
constexpr int rowsRemovedOneByOne = 32;

} // namespace

int ItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ItemListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return m_entries.at(index.row());
    case Qt::AccessibleTextRole: {
        const QString spoken = m_spoken.value(index.row());
        if (!spoken.isEmpty())
            return spoken;
        // A blank entry (a listing's header line) would be read as a bare list item.
        if (trimText(QStringView(m_entries.at(index.row()))).isEmpty())
            return emptyCellWords(EntryColumn);
        return {};
    }
    default: return {};
    }
}

void ItemListModel::setEntries(const QStringList &entries)
{
    const int oldCount = int(m_entries.size());
    const int newCount = int(entries.size());
    const SharedEnds ends = sharedEnds(oldCount, newCount, [&](int oldRow, int newRow) {
        return m_entries.at(oldRow) == entries.at(newRow);
    });
    const int removed = oldCount - ends.prefix - ends.suffix;
    const int added = newCount - ends.prefix - ends.suffix;
    if (removed == 0 && added == 0) {
        m_entries = entries; // the same texts: nothing changes, the new list is shared
        return;
    }
    ++m_generation;
    if (removed > rowsRemovedOneByOne) {
        beginResetModel();
        m_entries = entries;
        m_spoken.clear();
        endResetModel();
        return;
    }
    if (removed > 0) {
        beginRemoveRows({}, ends.prefix, ends.prefix + removed - 1);
        m_entries.remove(ends.prefix, removed);
        if (!m_spoken.isEmpty())
            m_spoken.remove(ends.prefix, removed);
        endRemoveRows();
    }
    if (added > 0) {
        beginInsertRows({}, ends.prefix, ends.prefix + added - 1);
        m_entries = entries; // the kept ends are equal: the new list, its text shared
        if (!m_spoken.isEmpty())
            m_spoken.insert(ends.prefix, added, QString());
        endInsertRows();
    } else {
        m_entries = entries;
    }
}

void ItemListModel::setSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    ++m_generation;
}

void ItemListModel::setListedNames(const QStringList &names)
{
    if (names == m_listedNames)
        return;
    m_listedNames = names;
    ++m_generation;
}

void ItemListModel::setSpokenText(int row, const QString &spoken)
{
    if (row < 0 || row >= m_entries.size())
        return;
    if (m_spoken.isEmpty()) {
        if (spoken.isEmpty())
            return;
        m_spoken = QStringList(m_entries.size());
    }
    m_spoken[row] = spoken;
}
