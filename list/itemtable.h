#pragma once

// The item table: one row per item list entry with what the item index knows about the
// item, its sort by level, and the rule that paints the best-rated class.

#include "base/itemindex.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

/// Columns of the item table, in display order.
enum ItemTableColumn : int {
    EntryColumn = 0,
    ClassColumn = 1, ///< ClassHeader, painted as the best class label
    LevelColumn = 2,
    RatingsColumn = 3, ///< hidden
};
inline constexpr int itemTableColumnCount = 4;

using ItemTableRow = std::array<QString, itemTableColumnCount>;
/// The item table's rows, top to bottom; never fewer than one row.
using ItemTable = QList<ItemTableRow>;

/// One row per entry, in list order, with the class line, level and ratings of the entry's
/// item; an empty list gives one empty row.
ItemTable itemTableFor(const QStringList &entries, const ItemIndex &index);
/// The entries of column 0, top to bottom, empty rows and single blanks included.
QStringList RebuildListFromTable(const ItemTable &table);
/// Leaves one empty row.
void ClearGrid(ItemTable &table);
/// Removes a row: the rows below move up. The last row is only emptied while the table has
/// fewer than three rows. A row number outside the table changes nothing.
void GridDeleteRow(qsizetype rowNumber, ItemTable &table);

enum class SortKeyKind : int { Text = 0, Integer = 1, Decimal = 2 };
/// The sort key of one cell; an empty cell or a single blank counts as "0".
QString sortKey(const QString &cell, SortKeyKind kind, const QLocale &locale = QLocale());
/// Reorders the rows by the key of `column`: descending by UTF-16 code units of key and
/// row text, or ascending by the locale ignoring case. Empty cells come back as " ".
void SortGridByColumn(ItemTable &grid, int column, SortKeyKind kind, bool descending,
                      const QLocale &locale = QLocale());
/// "Сортировка": sorts the table by level, highest first, and gives the item list's entries in
/// the new order. Only the rows that show an entry take part: rows past the list's last
/// entry (the spare row of an empty list, the row GridDeleteRow empties in a two-row table)
/// are dropped rather than turned into blank entries. The table keeps at least one row.
QStringList SortTableByLevel(ItemTable &table, qsizetype entryCount);
/// 1 when list[index1] is smaller by UTF-16 code units (a proper prefix is smaller),
/// 0 when equal, -1 when larger: sorting with it gives descending order.
int CompareDescending(const QStringList &list, qsizetype index1, qsizetype index2);

inline constexpr int splitSlotCount = 100;
using SplitSlots = std::array<QString, splitSlotCount>;
/// Fills the slots from slot 0 with the `delimiter`-separated fields of `text`; the empty
/// field after a final delimiter is not stored, slots after the last one filled keep their
/// content, and nothing is stored beyond the last slot.
void SplitByDelimiter(SplitSlots &fields, const QString &delimiter, const QString &text);

inline constexpr quint32 classGroupOneRgb = 0xFDCEDE; ///< pink: the first class group rates higher
inline constexpr quint32 classGroupTwoRgb =
    0xCAFFCA;                                   ///< light green: the second group rates higher
inline constexpr quint32 setItemRgb = 0xFFFF00; ///< yellow: a set item

/// How one cell of the item table is painted over its ordinary drawing.
struct ItemCellPaint
{
    bool overpaint = false;      ///< false: the cell keeps its ordinary drawing
    std::optional<quint32> fill; ///< #RRGGBB; none: the cell's ordinary background
    QString text;                ///< drawn on the fill

    bool operator==(const ItemCellPaint &) const = default;
};
/// The paint of the cell in `column` of a row: the set marker in column 0, the best class
/// label on its class group's colour in column 1. Never fails on any text.
ItemCellPaint itemCellPaint(int column, const ItemTableRow &row);

/// What the painting of a cell tells, in words, for assistive technology.
struct ItemCellSpeech
{
    QString text;        ///< what a screen reader says for the cell; empty: the cell's own text
    QString description; ///< a longer account; empty: none

    bool operator==(const ItemCellSpeech &) const = default;
};
/// The words for the cell in `column` of a row: in column 1 the best class label and which
/// class group rates the item higher (what the background colour shows), in column 0 the
/// entry with "сет" for a set item (the yellow) or "нет в базе" when the row holds nothing
/// from the item index. A cell that shows nothing (empty or blanks) says so in its column's
/// words: "нет предмета", "нет классов", "нет уровня", "нет оценок".
ItemCellSpeech itemCellSpeech(int column, const ItemTableRow &row);
/// What a cell of `column` that shows nothing says, and an entry of the list that is blank
/// (column 0's words): without words a screen reader names only the kind of object ("cell",
/// "data item").
QString emptyCellWords(int column);
