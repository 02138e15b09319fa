#include "app/itemindexmodel.h"

int ItemIndexModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_index.size());
}

int ItemIndexModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant ItemIndexModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_index.size())
        return {};
    const ItemIndexRow &row = m_index.at(index.row());
    switch (index.column()) {
    case 0: return row.name;
    case 1: return row.level;
    case 2: return row.classHeader;
    case 3: return row.ratings;
    default: return {};
    }
}
