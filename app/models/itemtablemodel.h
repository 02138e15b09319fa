#pragma once

#include "list/itemtable.h"

#include <QAbstractTableModel>

/// The item table's cells as one ItemTable: the view reads the rows it shows, so showing a
/// table of 5,000 rows makes no per-cell objects.
class ItemTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ItemTableModel(int rowCount, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    const ItemTable &rows() const { return m_rows; }
    /// Replaces the rows. The rows shared at the start and at the end stay where the view
    /// sees them: rows deleted or added in between are reported as such, so the current and
    /// selected cells move with the rows below, and only the rows in between are repainted.
    void setRows(const ItemTable &rows);

private:
    ItemTable m_rows;
};
