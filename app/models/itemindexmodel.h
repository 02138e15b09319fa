#pragma once

#include "base/itemindex.h"

#include <QAbstractTableModel>

/// A read-only table over an ItemIndex held elsewhere: one row per item, the columns Name,
/// Level, ClassHeader and Ratings. It copies nothing, so a 100,000-item index costs no cells.
class ItemIndexModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ItemIndexModel(const ItemIndex &index, QObject *parent = nullptr)
        : QAbstractTableModel(parent), m_index(index)
    {}

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /// Call around every replacement of the index.
    void beginReplace() { beginResetModel(); }
    void endReplace() { endResetModel(); }

private:
    const ItemIndex &m_index;
};
