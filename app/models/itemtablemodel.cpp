#include "app/models/itemtablemodel.h"

#include "app/widgets/drawntext.h"
#include "list/sharedends.h"

#include <algorithm>

ItemTableModel::ItemTableModel(int rowCount, QObject *parent)
    : QAbstractTableModel(parent), m_rows(std::max(rowCount, 0))
{}

int ItemTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ItemTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : itemTableColumnCount;
}

QVariant ItemTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= itemTableColumnCount)
        return {};
    if (role == Qt::AccessibleTextRole || role == Qt::AccessibleDescriptionRole) {
        // What the painting tells, in words; nothing where the cell's text says it all.
        const ItemCellSpeech speech = itemCellSpeech(index.column(), m_rows[index.row()]);
        const QString &words = role == Qt::AccessibleTextRole ? speech.text : speech.description;
        return words.isEmpty() ? QVariant() : QVariant(words);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QString &text = m_rows[index.row()][index.column()];
    if (text.isEmpty())
        return {};
    // The view lays out what it is given: a huge entry is shown cut, and stays whole here.
    return role == Qt::DisplayRole ? drawnText(text) : text;
}

Qt::ItemFlags ItemTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void ItemTableModel::setRows(const ItemTable &rows)
{
    const int oldCount = int(m_rows.size());
    const int newCount = int(rows.size());
    const auto [prefix, suffix] = sharedEnds(
        oldCount, newCount, [&](int oldRow, int newRow) { return m_rows[oldRow] == rows[newRow]; });
    const QModelIndex root;
    if (newCount < oldCount) {
        beginRemoveRows(root, prefix, prefix + oldCount - newCount - 1);
        m_rows = rows;
        endRemoveRows();
    } else if (newCount > oldCount) {
        beginInsertRows(root, prefix, prefix + newCount - oldCount - 1);
        m_rows = rows;
        endInsertRows();
    } else {
        m_rows = rows;
    }
    // The rows between the shared ends that were neither removed nor inserted.
    const int changedBegin = prefix + std::max(newCount - oldCount, 0);
    const int changedEnd = newCount - suffix;
    if (changedEnd > changedBegin)
        emit dataChanged(index(changedBegin, 0), index(changedEnd - 1, itemTableColumnCount - 1));
}
