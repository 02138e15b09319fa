// The item table: its sort by any column and key kind, the level sort, row deletion, the
// field split and the cell paint rule, over arbitrary rows.

#include "fuzzinput.h"

#include "list/itemtable.h"
#include "text/strops.h"

#include <QCollator>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// Rows from lines of tab-separated cells; missing cells stay empty, extra ones are dropped.
ItemTable rowsOf(const QString &text)
{
    ItemTable table;
    for (const QString &line : splitLines(text)) {
        ItemTableRow row;
        const QStringList cells = line.split(u'\t');
        for (int c = 0; c < itemTableColumnCount && c < cells.size(); ++c)
            row[c] = cells[c];
        table.append(row);
    }
    return table;
}

QString rowText(const ItemTableRow &row)
{
    QString text;
    for (const QString &cell : row)
        text += cell + u"\r\n"_s;
    return text;
}

/// The rows as sorted texts, empty cells written as the sort writes them back (" ").
QStringList rowSet(ItemTable table)
{
    QStringList texts;
    for (ItemTableRow &row : table) {
        for (QString &cell : row) {
            if (cell.isEmpty())
                cell = u" "_s;
        }
        texts.append(rowText(row));
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

void checkSort(const ItemTable &grid, int column, SortKeyKind kind, bool descending,
               const QLocale &locale)
{
    ItemTable sorted = grid;
    SortGridByColumn(sorted, column, kind, descending, locale);
    if (column < 0 || column >= itemTableColumnCount) {
        FUZZ_CHECK(sorted == grid);
        return;
    }
    FUZZ_CHECK(rowSet(sorted) == rowSet(grid));
    for (const ItemTableRow &row : sorted) {
        for (const QString &cell : row)
            FUZZ_CHECK(!cell.isEmpty());
    }
    // Rows without empty cells come back unchanged, so their records can be rebuilt and the
    // order checked.
    const bool hasEmptyCell = std::any_of(grid.cbegin(), grid.cend(), [](const ItemTableRow &r) {
        return std::any_of(r.cbegin(), r.cend(), [](const QString &c) { return c.isEmpty(); });
    });
    if (hasEmptyCell)
        return;
    QStringList records;
    for (const ItemTableRow &row : sorted)
        records.append(sortKey(row[column], kind, locale) + u'@' + rowText(row));
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (qsizetype i = 0; i + 1 < records.size(); ++i) {
        if (descending)
            FUZZ_CHECK(CompareDescending(records, i, i + 1) <= 0);
        else
            FUZZ_CHECK(collator.compare(records[i], records[i + 1]) <= 0);
    }
}

void checkPaint(const ItemTableRow &row)
{
    const ItemCellPaint entry = itemCellPaint(EntryColumn, row);
    FUZZ_CHECK(entry.overpaint == containsText(row[ClassColumn], u"Сет"));
    if (entry.overpaint)
        FUZZ_CHECK(entry.fill == setItemRgb && entry.text == row[EntryColumn]);

    const ItemCellPaint best = itemCellPaint(ClassColumn, row);
    if (row[ClassColumn].isEmpty() || row[RatingsColumn].isEmpty()) {
        FUZZ_CHECK(!best.overpaint);
    } else {
        FUZZ_CHECK(best.overpaint);
        FUZZ_CHECK(!best.fill || *best.fill == classGroupOneRgb || *best.fill == classGroupTwoRgb);
        // The label is one of the class line's labels.
        FUZZ_CHECK(best.text.isEmpty()
                   || replaceEvery(row[ClassColumn], u" ", u":").split(u':').contains(best.text));
    }
    FUZZ_CHECK(!itemCellPaint(LevelColumn, row).overpaint);
    FUZZ_CHECK(!itemCellPaint(RatingsColumn, row).overpaint);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput input(data, size);
    const int column = int(input.takeByte() % 6) - 1;
    const auto kind = SortKeyKind(input.takeByte() % 3);
    const bool descending = input.takeBool();
    const QLocale locale = input.takeBool() ? QLocale(QLocale::Russian, QLocale::Russia)
                                            : QLocale::c();
    const qsizetype entryCount = qsizetype(input.takeByte() % 16); // a list's size: never negative
    const qsizetype deleteRow = qsizetype(input.takeByte() % 16) - 1;
    const QStringList parts = takeParts(input.restText(), 3);
    const ItemTable grid = rowsOf(parts[2]);

    checkSort(grid, column, kind, descending, locale);
    ItemTable spaced = grid;
    for (ItemTableRow &row : spaced) {
        for (QString &cell : row) {
            if (cell.isEmpty())
                cell = u" "_s;
        }
    }
    checkSort(spaced, column, kind, descending, locale);

    for (const ItemTableRow &row : grid) {
        checkPaint(row);
        const QString key = sortKey(row[column < 0 ? 0 : column % itemTableColumnCount],
                                    SortKeyKind::Integer);
        FUZZ_CHECK(key.size() >= 9);
        sortKey(row[LevelColumn], SortKeyKind::Decimal, locale);
    }

    // The level sort keeps one row per entry and at least one row.
    ItemTable table = grid.isEmpty() ? ItemTable{ItemTableRow{}} : grid;
    const qsizetype rowsBefore = table.size();
    const QStringList entries = SortTableByLevel(table, entryCount);
    FUZZ_CHECK(!table.isEmpty());
    FUZZ_CHECK(entries.size() == std::clamp<qsizetype>(entryCount, 0, rowsBefore));
    FUZZ_CHECK(entries.isEmpty() || entries == RebuildListFromTable(table));

    ItemTable shrinking = table;
    const qsizetype sizeBefore = shrinking.size();
    GridDeleteRow(deleteRow, shrinking);
    FUZZ_CHECK(shrinking.size() == sizeBefore || shrinking.size() == sizeBefore - 1);
    FUZZ_CHECK(!shrinking.isEmpty());

    // The table rebuilt from entries through an index made of the rows.
    QList<ItemIndexRow> indexRows;
    for (const ItemTableRow &row : grid)
        indexRows.append(
            {row[EntryColumn], row[LevelColumn], row[ClassColumn], row[RatingsColumn]});
    const ItemIndex index(indexRows);
    const QStringList listEntries = splitLines(parts[1]);
    const ItemTable rebuilt = itemTableFor(listEntries, index);
    FUZZ_CHECK(rebuilt.size() == std::max<qsizetype>(1, listEntries.size()));
    if (!listEntries.isEmpty())
        FUZZ_CHECK(RebuildListFromTable(rebuilt) == listEntries);

    // The field split with any delimiter.
    SplitSlots fields;
    SplitByDelimiter(fields, parts[0], parts[1]);
    for (const QString &field : fields)
        FUZZ_CHECK(field.size() <= parts[1].size());
    return 0;
}
