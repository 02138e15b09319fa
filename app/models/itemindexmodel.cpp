#include "app/models/itemindexmodel.h"

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
    const qsizetype row = index.row();
    switch (index.column()) {
    case 0: return m_index.name(row).toString();
    case 1: return m_index.level(row);
    case 2: return m_index.classHeader(row);
    case 3: return m_index.ratings(row);
    default: return {};
    }
}
