#include "app/models/comparisonmodel.h"

#include <QColor>

using namespace Qt::StringLiterals;

namespace {

QString shown(const std::optional<LoreNumber> &number, const QString &absent)
{
    return number ? loreNumberText(*number) : absent;
}

} // namespace

ComparisonModel::ComparisonModel(const QList<ComparedNumber> &rows, const QString &leftName,
                                 const QString &rightName, QObject *parent)
    : QAbstractTableModel(parent), m_rows(rows), m_leftName(leftName), m_rightName(rightName)
{}

int ComparisonModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ComparisonModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ComparisonModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const ComparedNumber &row = m_rows[index.row()];
    const bool leftSide = index.column() == LeftColumn;
    const bool valueCell = leftSide || index.column() == RightColumn;
    const std::optional<LoreNumber> &number = leftSide ? row.left : row.right;
    const bool tinted = valueCell && row.favours == (leftSide ? Favours::Left : Favours::Right);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case PropertyColumn: return row.property;
        case LeftColumn: return shown(row.left, u"—"_s);
        case RightColumn: return shown(row.right, u"—"_s);
        case VerdictColumn: return row.words;
        default: return {};
        }
    case Qt::AccessibleTextRole:
        if (!valueCell)
            return {};
        return u"%1 у «%2»: %3, %4"_s.arg(row.property, leftSide ? m_leftName : m_rightName,
                                          shown(number, u"нет"_s), row.words);
    // The better item's cell: pale green under black text, readable on any palette.
    case Qt::BackgroundRole: return tinted ? QVariant(QColor(0xC8, 0xF0, 0xC8)) : QVariant();
    case Qt::ForegroundRole: return tinted ? QVariant(QColor(Qt::black)) : QVariant();
    case Qt::TextAlignmentRole:
        return valueCell ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    default: return {};
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case PropertyColumn: return u"Свойство"_s;
    case LeftColumn: return m_leftName;
    case RightColumn: return m_rightName;
    case VerdictColumn: return u"Что лучше"_s;
    default: return {};
    }
}
