#pragma once

#include "base/comparison.h"

#include <QAbstractTableModel>

/// The comparison's table: a row per number that either lore states, with the property, the
/// value for each item and which is better. The better item's cell is tinted, and every cell
/// says in words what it shows, so the colour tells nothing that the words do not.
class ComparisonModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PropertyColumn, LeftColumn, RightColumn, VerdictColumn, ColumnCount };

    ComparisonModel(const QList<ComparedNumber> &rows, const QString &leftName,
                    const QString &rightName, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<ComparedNumber> m_rows;
    QString m_leftName;
    QString m_rightName;
};
