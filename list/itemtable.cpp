#include "list/itemtable.h"

#include "base/parallel.h"
#include "list/parser.h"
#include "text/numbers.h"
#include "text/strops.h"

#include <QCollator>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

/// The index row of each entry's item, -1 where the index has none. A look-up mostly waits
/// for memory, the index and the base being far larger than the caches, so a long list is
/// looked up on several threads at once.
std::vector<qsizetype> itemRowsOf(const QStringList &entries, const ItemIndex &index)
{
    constexpr qsizetype kEntriesPerPiece = 1024;
    const int pieces = piecesFor(entries.size(), kEntriesPerPiece);
    std::vector<qsizetype> rows(entries.size());
    runInPieces(entries.size(), pieces, [&](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i)
            rows[i] = index.find(ItemKey(entries[i]));
    });
    return rows;
}

} // namespace

ItemTable itemTableFor(const QStringList &entries, const ItemIndex &index)
{
    const std::vector<qsizetype> items = itemRowsOf(entries, index);
    ItemTable table;
    table.reserve(std::max<qsizetype>(entries.size(), 1));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        ItemTableRow row;
        row[EntryColumn] = entries[i];
        if (const qsizetype item = items[i]; item >= 0) {
            row[ClassColumn] = index.classHeader(item);
            row[LevelColumn] = index.level(item);
            row[RatingsColumn] = index.ratings(item);
        }
        table.append(row);
    }
    if (table.isEmpty())
        ClearGrid(table);
    return table;
}

QStringList RebuildListFromTable(const ItemTable &table)
{
    QStringList entries;
    entries.reserve(table.size());
    for (const ItemTableRow &row : table)
        entries.append(row[EntryColumn]);
    return entries;
}

void ClearGrid(ItemTable &table)
{
    table = ItemTable{ItemTableRow{}};
}

void GridDeleteRow(qsizetype rowNumber, ItemTable &table)
{
    if (rowNumber < 0 || rowNumber >= table.size())
        return;
    if (rowNumber == table.size() - 1) {
        table[rowNumber] = ItemTableRow{};
        if (table.size() >= 3)
            table.removeLast();
        return;
    }
    table.remove(rowNumber);
}

namespace {

QString zeroPadded(const QString &digits, qsizetype width)
{
    return digits.size() >= width ? digits : QString(width - digits.size(), u'0') + digits;
}

QString integerKey(const QString &c)
{
    const qint64 value = parseInteger(trimText(c)).value_or(0);
    const QString digits = zeroPadded(QString::number(value < 0 ? -value : value), 9);
    return value < 0 ? u'-' + digits : digits;
}

QString decimalKey(const QString &c, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(trimText(c), &ok);
    if (!ok || !std::isfinite(value))
        return u"0.00"_s;
    const QString fixed = QString::number(std::fabs(value), 'f', 6); // "123.456000"
    const qsizetype dot = fixed.indexOf(u'.');
    const QString whole = zeroPadded(fixed.left(dot), 9);
    const QString key = whole + locale.decimalPoint() + fixed.mid(dot + 1);
    const bool roundsToZero = std::all_of(fixed.cbegin(), fixed.cend(),
                                          [](QChar ch) { return ch == u'0' || ch == u'.'; });
    return value < 0 && !roundsToZero ? u'-' + key : key;
}

/// A sort record: the key, "@", then the four cells of the row, each followed by CR LF. Built
/// in one piece, so a huge entry is copied once.
QString sortRecord(const QString &key, const ItemTableRow &row)
{
    qsizetype size = key.size() + 1;
    for (const QString &cell : row)
        size += cell.size() + 2;
    QString record;
    record.reserve(size);
    record += key;
    record += u'@';
    for (const QString &cell : row) {
        record += cell;
        record += u"\r\n";
    }
    return record;
}

int compareCodeUnits(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return a[i].unicode() < b[i].unicode() ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

QString sortKey(const QString &cell, SortKeyKind kind, const QLocale &locale)
{
    const QString c = (cell.isEmpty() || cell == u" "_s) ? u"0"_s : cell;
    switch (kind) {
    case SortKeyKind::Integer: return integerKey(c);
    case SortKeyKind::Decimal: return decimalKey(c, locale);
    case SortKeyKind::Text: break;
    }
    return c;
}

void SortGridByColumn(ItemTable &grid, int column, SortKeyKind kind, bool descending,
                      const QLocale &locale)
{
    if (column < 0 || column >= itemTableColumnCount)
        return;
    // Each record is key + "@" + row text; the rows are kept beside the records, so a key
    // that itself holds "@" cannot spill into the cells.
    QStringList records;
    records.reserve(grid.size());
    for (const ItemTableRow &row : grid)
        records.append(sortRecord(sortKey(row[column], kind, locale), row));

    QList<qsizetype> order(grid.size());
    std::iota(order.begin(), order.end(), 0);
    if (descending) {
        std::sort(order.begin(), order.end(), [&records](qsizetype a, qsizetype b) {
            return CompareDescending(records, a, b) < 0;
        });
    } else {
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
            return collator.compare(records[a], records[b]) < 0;
        });
    }

    ItemTable sorted;
    sorted.reserve(grid.size());
    for (const qsizetype i : order) {
        ItemTableRow row = grid[i];
        for (QString &cell : row) {
            if (cell.isEmpty())
                cell = u" "_s;
        }
        sorted.append(row);
    }
    grid = sorted;
}

QStringList SortTableByLevel(ItemTable &table, qsizetype entryCount)
{
    if (entryCount < table.size())
        table.resize(entryCount);
    if (table.isEmpty()) {
        ClearGrid(table);
        return {};
    }
    SortGridByColumn(table, LevelColumn, SortKeyKind::Integer, true);
    return RebuildListFromTable(table);
}

int CompareDescending(const QStringList &list, qsizetype index1, qsizetype index2)
{
    return -compareCodeUnits(list[index1], list[index2]);
}

void SplitByDelimiter(SplitSlots &fields, const QString &delimiter, const QString &text)
{
    if (delimiter.isEmpty()) {
        fields[0] = text;
        return;
    }
    const QString work = text + delimiter;
    qsizetype from = 0;
    int k = 0;
    while (k < splitSlotCount) {
        const qsizetype at = work.indexOf(delimiter, from);
        if (at < 0) {
            // A delimiter that overlaps itself can leave a rest without one: it is the last field.
            fields[k] = work.sliced(from);
            break;
        }
        fields[k++] = work.sliced(from, at - from);
        from = at + delimiter.size();
        const QStringView rest = QStringView(work).sliced(from);
        if (trimText(rest).isEmpty() || rest.size() < 2)
            break;
    }
}

namespace {

bool isClassGroupOne(const QString &label)
{
    static const QStringList labels{u"Вн"_s, u"Ва"_s, u"Сл"_s, u"Во"_s, u"Па"_s, u"Дк"_s};
    return labels.contains(label);
}

bool isClassGroupTwo(const QString &label)
{
    static const QStringList labels{u"Ма"_s, u"Др"_s, u"Не"_s, u"Ле"_s};
    return labels.contains(label);
}

ItemCellPaint bestClassPaint(const QString &classHeader, const QString &ratings)
{
    if (classHeader.isEmpty() || ratings.isEmpty())
        return {};
    SplitSlots labels;
    SplitSlots values;
    SplitByDelimiter(labels, u":"_s, replaceEvery(classHeader, u" ", u":"));
    SplitByDelimiter(values, u":"_s, replaceEvery(ratings, u" ", u":"));

    constexpr int maxScanned = 10;
    qint32 best = -100;
    qint32 groupOne = -100;
    qint32 groupTwo = -100;
    QString bestClass;
    for (int k = 0; k < maxScanned && !labels[k].isEmpty(); ++k) {
        // A missing or unreadable rating exceeds nothing.
        const std::optional<qint32> v = parseInteger(values[k]);
        if (!v)
            continue;
        if (*v > best) {
            best = *v;
            bestClass = labels[k];
        }
        if (isClassGroupOne(labels[k]) && *v > groupOne)
            groupOne = *v;
        if (isClassGroupTwo(labels[k]) && *v > groupTwo)
            groupTwo = *v;
    }

    ItemCellPaint paint{true, std::nullopt, bestClass};
    if (groupOne > groupTwo)
        paint.fill = classGroupOneRgb;
    else if (groupTwo > groupOne)
        paint.fill = classGroupTwoRgb;
    return paint;
}

} // namespace

ItemCellPaint itemCellPaint(int column, const ItemTableRow &row)
{
    if (column == ClassColumn)
        return bestClassPaint(row[ClassColumn], row[RatingsColumn]);
    if (column == EntryColumn && containsText(row[ClassColumn], u"Сет"))
        return {true, setItemRgb, row[EntryColumn]};
    return {};
}

namespace {

/// The full class names of the labels of the two class groups.
QString className(const QString &label)
{
    static const QHash<QString, QString> names{
        {u"Вн"_s, u"воин"_s},   {u"Ва"_s, u"варвар"_s},  {u"Сл"_s, u"следопыт"_s},
        {u"Во"_s, u"вор"_s},    {u"Па"_s, u"паладин"_s}, {u"Дк"_s, u"рыцарь смерти"_s},
        {u"Ма"_s, u"маг"_s},    {u"Др"_s, u"друид"_s},   {u"Не"_s, u"некромант"_s},
        {u"Ле"_s, u"лекарь"_s},
    };
    return names.value(label);
}

const QString groupOneWords = u"воины (Вн, Ва, Сл, Во, Па, Дк)"_s;
const QString groupTwoWords = u"маги (Ма, Др, Не, Ле)"_s;

bool holdsNothing(const QString &cell)
{
    return trimText(cell).isEmpty();
}

ItemCellSpeech bestClassSpeech(const ItemCellPaint &paint)
{
    if (!paint.overpaint || (paint.text.isEmpty() && !paint.fill))
        return {};
    QString verdict;
    QString comparison;
    if (paint.fill == classGroupOneRgb) {
        verdict = u"лучший класс: воины"_s;
        comparison = groupOneWords + u" оценивают предмет выше, чем "_s + groupTwoWords;
    } else if (paint.fill == classGroupTwoRgb) {
        verdict = u"лучший класс: маги"_s;
        comparison = groupTwoWords + u" оценивают предмет выше, чем "_s + groupOneWords;
    } else {
        verdict = u"воины и маги наравне"_s;
        comparison = u"ни воины, ни маги не оценивают предмет выше"_s;
    }
    if (paint.text.isEmpty())
        return {verdict, u"Оценок нет; "_s + comparison};
    const QString name = className(paint.text);
    const QString best = name.isEmpty() ? paint.text : paint.text + u" ("_s + name + u')';
    return {paint.text + u", "_s + verdict, u"Лучшая оценка: "_s + best + u"; "_s + comparison};
}

} // namespace

QString emptyCellWords(int column)
{
    switch (column) {
    case EntryColumn: return u"нет предмета"_s;
    case ClassColumn: return u"нет классов"_s;
    case LevelColumn: return u"нет уровня"_s;
    default: return u"нет оценок"_s;
    }
}

ItemCellSpeech itemCellSpeech(int column, const ItemTableRow &row)
{
    if (column < 0 || column >= itemTableColumnCount)
        return {};
    if (column == ClassColumn) {
        ItemCellSpeech speech = bestClassSpeech(itemCellPaint(column, row));
        if (speech.text.isEmpty() && holdsNothing(row[ClassColumn]))
            speech.text = emptyCellWords(ClassColumn);
        return speech;
    }
    if (holdsNothing(row[column]))
        return {emptyCellWords(column), {}};
    if (column != EntryColumn)
        return {};
    if (itemCellPaint(column, row).overpaint)
        return {row[EntryColumn] + u", сет"_s, u"Комплектный предмет (сет)"_s};
    if (holdsNothing(row[ClassColumn]) && holdsNothing(row[LevelColumn])
        && holdsNothing(row[RatingsColumn]))
        return {row[EntryColumn] + u", нет в базе"_s, u"Предмета нет в базе стафа"_s};
    return {};
}
