#pragma once

#include <QList>
#include <QString>

/// One item of the staff base as the item table shows it.
struct ItemIndexRow
{
    QString name;
    QString level;
    QString classHeader;
    QString ratings;

    bool operator==(const ItemIndexRow &) const = default;
};

/// One row per item, in the order the load completed them; names looked up exactly.
using ItemIndex = QList<ItemIndexRow>;
