#include "list/itemtable.h"
#include "list/parser.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

ItemTableRow row(const QString &entry, const QString &classHeader = {}, const QString &level = {},
                 const QString &ratings = {})
{
    return ItemTableRow{entry, classHeader, level, ratings};
}

QStringList entriesOf(const ItemTable &table)
{
    return RebuildListFromTable(table);
}

/// A table holding `entries` in column 0 and `levels` in column 2.
ItemTable levelTable(const QStringList &entries, const QStringList &levels)
{
    ItemTable t;
    for (qsizetype i = 0; i < entries.size(); ++i)
        t.append(row(entries[i], {}, levels[i]));
    return t;
}

} // namespace

class TestItemTable : public QObject
{
    Q_OBJECT

private slots:
    void rebuildTakesFirstExactNameInColumnOrder()
    {
        const ItemIndex index{{u"меч"_s, u"10"_s, u"Вн Ма"_s, u"5 3"_s},
                              {u"Меч"_s, u"20"_s, u"Ле"_s, u"1"_s},
                              {u"меч"_s, u"30"_s, u"Др"_s, u"9"_s},
                              {u"щит"_s, u"5"_s, u"Сет Па"_s, u"1 2"_s}};
        const ItemTable t = itemTableFor(
            {u"12. меч"_s, u"кольцо [отл]"_s, u"МЕЧ"_s, u"*щит*"_s, u"меч"_s}, index);
        const ItemTable expected{row(u"12. меч"_s, u"Вн Ма"_s, u"10"_s, u"5 3"_s),
                                 row(u"кольцо [отл]"_s), row(u"МЕЧ"_s),
                                 row(u"*щит*"_s, u"Сет Па"_s, u"5"_s, u"1 2"_s),
                                 row(u"меч"_s, u"Вн Ма"_s, u"10"_s, u"5 3"_s)};
        QCOMPARE(t, expected);
    }

    void rebuildOfEmptyListIsOneEmptyRow()
    {
        const ItemTable t = itemTableFor({}, ItemIndex{{u"x"_s, u"1"_s, {}, {}}});
        QCOMPARE(t, ItemTable{ItemTableRow{}});
        QCOMPARE(RebuildListFromTable(t), QStringList{QString()});
    }

    // The hash gives what a scan of the rows from the first gives, repeated names included.
    void lookupAgreesWithScan()
    {
        QRandomGenerator rng(7);
        QList<ItemIndexRow> rows;
        for (int i = 0; i < 3000; ++i) {
            const QString name = u"вещь "_s + QString::number(rng.bounded(1000));
            rows.append({rng.bounded(4) == 0 ? name.toUpper() : name, QString::number(i), {}, {}});
        }
        const ItemIndex index(rows);
        QCOMPARE(index.rows(), rows);
        QStringList entries;
        for (int i = 0; i < 1500; ++i)
            entries.append(u"вещь "_s + QString::number(rng.bounded(1200)));
        const ItemTable t = itemTableFor(entries, index);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QString key = ItemKey(entries[i]);
            const auto scan = std::find_if(rows.cbegin(), rows.cend(),
                                           [&](const ItemIndexRow &r) { return r.name == key; });
            QCOMPARE(t[i][LevelColumn], scan == rows.cend() ? QString() : scan->level);
        }
    }

    void clearGrid()
    {
        ItemTable t{row(u"a"_s, u"b"_s), row(u"c"_s)};
        ClearGrid(t);
        QCOMPARE(t, ItemTable{ItemTableRow{}});
    }

    void gridDeleteRow_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<qsizetype>("rowNumber");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("middle row")
            << QStringList{u"a"_s, u"b"_s, u"c"_s} << qsizetype(1) << QStringList{u"a"_s, u"c"_s};
        QTest::newRow("first row")
            << QStringList{u"a"_s, u"b"_s} << qsizetype(0) << QStringList{u"b"_s};
        QTest::newRow("last of three")
            << QStringList{u"a"_s, u"b"_s, u"c"_s} << qsizetype(2) << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("last of two is emptied")
            << QStringList{u"a"_s, u"b"_s} << qsizetype(1) << QStringList{u"a"_s, QString()};
        QTest::newRow("only row is emptied")
            << QStringList{u"a"_s} << qsizetype(0) << QStringList{QString()};
        QTest::newRow("below the table")
            << QStringList{u"a"_s, u"b"_s} << qsizetype(-1) << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("beyond the table")
            << QStringList{u"a"_s, u"b"_s} << qsizetype(2) << QStringList{u"a"_s, u"b"_s};
    }
    void gridDeleteRow()
    {
        QFETCH(QStringList, before);
        QFETCH(qsizetype, rowNumber);
        QFETCH(QStringList, after);
        ItemTable t;
        for (const QString &e : before)
            t.append(row(e, e.isEmpty() ? QString() : u"Вн"_s, u"1"_s));
        GridDeleteRow(rowNumber, t);
        QCOMPARE(entriesOf(t), after);
        if (after.last().isEmpty())
            QCOMPARE(t.last(), ItemTableRow{}); // every cell of an emptied row
    }

    void sortKey_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("key");
        QTest::newRow("text unchanged") << u" Меч "_s << 0 << u" Меч "_s;
        QTest::newRow("empty text is 0") << QString() << 0 << u"0"_s;
        QTest::newRow("integer padded") << u"5"_s << 1 << u"000000005"_s;
        QTest::newRow("integer trimmed") << u" 27 "_s << 1 << u"000000027"_s;
        QTest::newRow("negative integer") << u"-5"_s << 1 << u"-000000005"_s;
        QTest::newRow("integer blank") << u" "_s << 1 << u"000000000"_s;
        QTest::newRow("integer dash") << u"–"_s << 1 << u"000000000"_s;
        QTest::newRow("integer not a number") << u"5a"_s << 1 << u"000000000"_s;
        QTest::newRow("integer wide") << u"1234567890"_s << 1 << u"1234567890"_s;
        QTest::newRow("integer smallest") << u"-2147483648"_s << 1 << u"-2147483648"_s;
        QTest::newRow("decimal") << u"3.5"_s << 2 << u"000000003.500000"_s;
        QTest::newRow("decimal negative") << u"-12.25"_s << 2 << u"-000000012.250000"_s;
        QTest::newRow("decimal integer") << u"7"_s << 2 << u"000000007.000000"_s;
        QTest::newRow("decimal blank") << u" "_s << 2 << u"000000000.000000"_s;
        QTest::newRow("decimal not a number") << u"x"_s << 2 << u"0.00"_s;
    }
    void sortKey()
    {
        QFETCH(QString, cell);
        QFETCH(int, kind);
        QFETCH(QString, key);
        QCOMPARE(::sortKey(cell, SortKeyKind(kind), QLocale::c()), key);
    }

    void decimalKeyUsesTheLocaleSeparator()
    {
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        QCOMPARE(::sortKey(u"3,5"_s, SortKeyKind::Decimal, russian), u"000000003,500000"_s);
        QCOMPARE(::sortKey(u"3.5"_s, SortKeyKind::Decimal, russian), u"0.00"_s);
    }

    // The table sort of the "Сортировка" command: level, highest first.
    void levelSortOrder_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("levels");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("highest level first")
            << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"5"_s, u"30"_s, u"12"_s}
            << QStringList{u"b"_s, u"c"_s, u"a"_s};
        QTest::newRow("blanks around a level")
            << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"5 "_s, u"6"_s, u" 5"_s}
            << QStringList{u"b"_s, u"c"_s, u"a"_s};
        QTest::newRow("empty, dash and unmatched count as 0")
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
            << QStringList{QString(), u"1"_s, u"–"_s, u" "_s}
            << QStringList{u"b"_s, u"d"_s, u"c"_s, u"a"_s};
        QTest::newRow("negative levels last, larger magnitude first")
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}
            << QStringList{u"-3"_s, u"0"_s, u"-10"_s, u"2"_s}
            << QStringList{u"d"_s, u"b"_s, u"c"_s, u"a"_s};
        QTest::newRow("equal level: descending code units")
            << QStringList{u"12. шлем"_s, u"кольцо"_s, u"Кольцо"_s, u"ёж"_s, u"Ёж"_s,
                           u"Шлем"_s,     u"ring"_s,   u"Ring"_s,   u" x"_s}
            << QStringList(9, u"7"_s)
            << QStringList{u"ёж"_s,   u"кольцо"_s, u"Шлем"_s,     u"Кольцо"_s, u"Ёж"_s,
                           u"ring"_s, u"Ring"_s,   u"12. шлем"_s, u" x"_s};
    }
    void levelSortOrder()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, levels);
        QFETCH(QStringList, sorted);
        ItemTable t = levelTable(entries, levels);
        SortGridByColumn(t, LevelColumn, SortKeyKind::Integer, true);
        QCOMPARE(entriesOf(t), sorted);
    }

    void sortKeepsRowsWholeAndBlanksEmptyCells()
    {
        ItemTable t{row(u"меч"_s, u"Вн Ма"_s, u"10"_s, u"5 3"_s), row(u"щит"_s),
                    row(u"посох"_s, {}, u"20"_s)};
        SortGridByColumn(t, LevelColumn, SortKeyKind::Integer, true);
        const ItemTable expected{row(u"посох"_s, u" "_s, u"20"_s, u" "_s),
                                 row(u"меч"_s, u"Вн Ма"_s, u"10"_s, u"5 3"_s),
                                 row(u"щит"_s, u" "_s, u" "_s, u" "_s)};
        QCOMPARE(t, expected);

        ItemTable empty{ItemTableRow{}};
        SortGridByColumn(empty, LevelColumn, SortKeyKind::Integer, true);
        QCOMPARE(RebuildListFromTable(empty), QStringList{u" "_s});
    }

    // The table's placeholder rows never come back into the list as blank entries.
    void sortTableByLevel()
    {
        ItemTable t{row(u"a"_s, {}, u"1"_s), row(u"b"_s, {}, u"7"_s)};
        QCOMPARE(SortTableByLevel(t, 2), (QStringList{u"b"_s, u"a"_s}));
        QCOMPARE(entriesOf(t), (QStringList{u"b"_s, u"a"_s}));

        ItemTable spare{ItemTableRow{}};
        QCOMPARE(SortTableByLevel(spare, 0), QStringList());
        QCOMPARE(spare, ItemTable{ItemTableRow{}});

        ItemTable afterDelete{row(u"a"_s, {}, u"-1"_s), row(u"b"_s)};
        GridDeleteRow(1, afterDelete); // two rows stay, the second one emptied
        QCOMPARE(SortTableByLevel(afterDelete, 1), QStringList{u"a"_s});
        QCOMPARE(afterDelete.size(), 1);
    }

    void ascendingSortIgnoresCase()
    {
        ItemTable t = levelTable({u"Щит"_s, u"меч"_s, u"Амулет"_s, u"ёж"_s, u"б"_s},
                                 QStringList(5, QString()));
        SortGridByColumn(t, EntryColumn, SortKeyKind::Text, false, QLocale(QLocale::Russian));
        QCOMPARE(entriesOf(t), (QStringList{u"Амулет"_s, u"б"_s, u"ёж"_s, u"меч"_s, u"Щит"_s}));
    }

    // A text key holding "@" must not leak into the cells when the records are cut.
    void textKeyWithAtSign()
    {
        ItemTable t{row(u"b@c"_s, u"x"_s), row(u"a@b"_s, u"y"_s)};
        SortGridByColumn(t, EntryColumn, SortKeyKind::Text, true);
        const ItemTable expected{row(u"b@c"_s, u"x"_s, u" "_s, u" "_s),
                                 row(u"a@b"_s, u"y"_s, u" "_s, u" "_s)};
        QCOMPARE(t, expected);
    }

    void sortWithBadColumnChangesNothing()
    {
        ItemTable t{row(u"b"_s), row(u"a"_s)};
        const ItemTable before = t;
        SortGridByColumn(t, 7, SortKeyKind::Text, true);
        QCOMPARE(t, before);
    }

    void compareDescending_data()
    {
        QTest::addColumn<QString>("s1");
        QTest::addColumn<QString>("s2");
        QTest::addColumn<int>("result");
        QTest::newRow("equal") << u"abc"_s << u"abc"_s << 0;
        QTest::newRow("smaller") << u"abc"_s << u"abd"_s << 1;
        QTest::newRow("larger") << u"b"_s << u"abc"_s << -1;
        QTest::newRow("proper prefix is smaller") << u"ab"_s << u"abc"_s << 1;
        QTest::newRow("both empty") << QString() << QString() << 0;
        QTest::newRow("upper case below lower case") << u"A"_s << u"a"_s << 1;
        QTest::newRow("Cyrillic above Latin") << u"а"_s << u"z"_s << -1;
        QTest::newRow("yo above ya") << u"ё"_s << u"я"_s << -1;
        QTest::newRow("capital yo below capital A") << u"Ё"_s << u"А"_s << 1;
        QTest::newRow("code units, not code points") << u"\U0001F600"_s << u"\uFF00"_s << 1;
    }
    void compareDescending()
    {
        QFETCH(QString, s1);
        QFETCH(QString, s2);
        QFETCH(int, result);
        const QStringList list{s1, s2};
        QCOMPARE(CompareDescending(list, 0, 1), result);
        QCOMPARE(CompareDescending(list, 1, 0), -result);
    }

    void splitByDelimiter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("filled");
        QTest::newRow("fields") << u"Вн:Ва:Сл"_s << QStringList{u"Вн"_s, u"Ва"_s, u"Сл"_s};
        QTest::newRow("final colon not stored") << u"a:b:"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("empty middle field") << u"a::b"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("empty text") << QString() << QStringList{QString()};
        QTest::newRow("lone colon") << u":"_s << QStringList{QString()};
        QTest::newRow("blank after colon") << u"a: "_s << QStringList{u"a"_s, u" "_s};
        QTest::newRow("single character field") << u"a:b"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("blank field kept") << u"a:  :b"_s << QStringList{u"a"_s, u"  "_s, u"b"_s};
    }
    void splitByDelimiter()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, filled);
        SplitSlots fields;
        fields.fill(u"old"_s);
        SplitByDelimiter(fields, u":"_s, text);
        for (qsizetype k = 0; k < filled.size(); ++k)
            QCOMPARE(fields[k], filled[k]);
        QCOMPARE(fields[filled.size()], u"old"_s); // slots after the last one keep their content
    }

    void splitStopsAtTheLastSlot()
    {
        QStringList pieces;
        for (int i = 0; i < 150; ++i)
            pieces.append(QString::number(i));
        SplitSlots fields;
        SplitByDelimiter(fields, u":"_s, pieces.join(u':'));
        QCOMPARE(fields[0], u"0"_s);
        QCOMPARE(fields[99], u"99"_s);
        SplitByDelimiter(fields, QString(), u"a:b"_s);
        QCOMPARE(fields[0], u"a:b"_s);
    }

    // "ab" + "aba" is "ababa": after the first field the rest "ba" holds no delimiter.
    void splitWithSelfOverlappingDelimiter()
    {
        SplitSlots fields;
        SplitByDelimiter(fields, u"aba"_s, u"ab"_s);
        QCOMPARE(fields[0], QString());
        QCOMPARE(fields[1], u"ba"_s);
        QCOMPARE(fields[2], QString());
    }

    void bestClassPaint_data()
    {
        QTest::addColumn<QString>("classHeader");
        QTest::addColumn<QString>("ratings");
        QTest::addColumn<bool>("overpaint");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("fill"); // -1: the ordinary background
        QTest::newRow("first group higher")
            << u"Вн Ва Сл"_s << u"3 2 5"_s << true << u"Сл"_s << int(classGroupOneRgb);
        QTest::newRow("second group higher, earlier best wins")
            << u"Вн Ма Ле"_s << u"4 6 6"_s << true << u"Ма"_s << int(classGroupTwoRgb);
        QTest::newRow("equal group maxima") << u"Вн Ма"_s << u"5 5"_s << true << u"Вн"_s << -1;
        QTest::newRow("no group label") << u"Хх Юю"_s << u"1 2"_s << true << u"Юю"_s << -1;
        QTest::newRow("labels are case-sensitive")
            << u"вн Ма"_s << u"9 1"_s << true << u"вн"_s << int(classGroupTwoRgb);
        QTest::newRow("all at -100 or less")
            << u"Вн Ма"_s << u"-100 -200"_s << true << QString() << -1;
        QTest::newRow("group one at -100 loses to nothing")
            << u"Вн Ма"_s << u"-100 -99"_s << true << u"Ма"_s << int(classGroupTwoRgb);
        QTest::newRow("two blanks stop the scan")
            << u"Вн  Ма"_s << u"1 9 9"_s << true << u"Вн"_s << int(classGroupOneRgb);
        QTest::newRow("only ten labels scanned")
            << u"a b c d e f g h i j Ма"_s << u"1 1 1 1 1 1 1 1 1 1 50"_s << true << u"a"_s << -1;
        QTest::newRow("missing rating exceeds nothing")
            << u"Вн Ма"_s << u"3"_s << true << u"Вн"_s << int(classGroupOneRgb);
        QTest::newRow("non-numeric rating exceeds nothing")
            << u"Вн Ма"_s << u"x 2"_s << true << u"Ма"_s << int(classGroupTwoRgb);
        QTest::newRow("no class line") << QString() << u"1"_s << false << QString() << -1;
        QTest::newRow("no ratings") << u"Вн"_s << QString() << false << QString() << -1;
        QTest::newRow("cells blanked by a sort") << u" "_s << u" "_s << true << QString() << -1;
    }
    void bestClassPaint()
    {
        QFETCH(QString, classHeader);
        QFETCH(QString, ratings);
        QFETCH(bool, overpaint);
        QFETCH(QString, label);
        QFETCH(int, fill);
        const ItemCellPaint p = itemCellPaint(ClassColumn,
                                              row(u"меч"_s, classHeader, u"1"_s, ratings));
        QCOMPARE(p.overpaint, overpaint);
        QCOMPARE(p.text, label);
        QCOMPARE(p.fill, fill < 0 ? std::nullopt : std::optional<quint32>(quint32(fill)));
    }

    void setMarker_data()
    {
        QTest::addColumn<QString>("classHeader");
        QTest::addColumn<bool>("marked");
        QTest::newRow("set label") << u"Сет Вн"_s << true;
        QTest::newRow("inside a word") << u"Вн Сетка"_s << true;
        QTest::newRow("lower case") << u"сет Вн"_s << false;
        QTest::newRow("none") << u"Вн"_s << false;
    }
    void setMarker()
    {
        QFETCH(QString, classHeader);
        QFETCH(bool, marked);
        const ItemTableRow r = row(u"кольцо"_s, classHeader, u"1"_s, u"1 1"_s);
        const ItemCellPaint p = itemCellPaint(EntryColumn, r);
        const ItemCellPaint expected = marked ? ItemCellPaint{true, setItemRgb, u"кольцо"_s}
                                              : ItemCellPaint{};
        QCOMPARE(p, expected);
        QCOMPARE(itemCellPaint(LevelColumn, r), ItemCellPaint{});
        QCOMPARE(itemCellPaint(RatingsColumn, r), ItemCellPaint{});
    }

    void paintSurvivesHostileCells()
    {
        const QString big(100000, u':');
        const QString spaces(100000, u' ');
        for (const QString &s : {big, spaces, u"$$$ \x01\t"_s, u"99999999999999999999"_s}) {
            for (int c = 0; c < itemTableColumnCount; ++c)
                itemCellPaint(c, row(s, s, s, s));
        }
    }

    /// What the paint rule shows by colour, said in words.
    void cellSpeech_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<ItemTableRow>("cells");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("descriptionStart");
        QTest::newRow("pink: warriors")
            << 1 << row(u"x"_s, u"Вн Ва Сл"_s, u"5"_s, u"3 2 5"_s) << u"Сл, лучший класс: воины"_s
            << u"Лучшая оценка: Сл (следопыт); воины"_s;
        QTest::newRow("green: mages")
            << 1 << row(u"x"_s, u"Вн Ма Ле"_s, u"5"_s, u"4 6 6"_s) << u"Ма, лучший класс: маги"_s
            << u"Лучшая оценка: Ма (маг); маги"_s;
        QTest::newRow("equal maxima")
            << 1 << row(u"x"_s, u"Вн Ма"_s, u"5"_s, u"5 5"_s) << u"Вн, воины и маги наравне"_s
            << u"Лучшая оценка: Вн (воин); ни воины"_s;
        QTest::newRow("label of neither group")
            << 1 << row(u"x"_s, u"Пл"_s, u"5"_s, u"7"_s) << u"Пл, воины и маги наравне"_s
            << u"Лучшая оценка: Пл; ни"_s;
        // A cell that shows nothing says so, or a screen reader reads a bare "cell".
        QTest::newRow("blanks after a sort")
            << 1 << row(u" "_s, u" "_s, u" "_s, u" "_s) << u"нет классов"_s << QString();
        QTest::newRow("blank entry")
            << 0 << row(u" "_s, u" "_s, u" "_s, u" "_s) << u"нет предмета"_s << QString();
        QTest::newRow("no level") << 2 << row(u"щит"_s) << u"нет уровня"_s << QString();
        QTest::newRow("no ratings")
            << 3 << row(u"щит"_s, u"Вн"_s, u"5"_s, u"  "_s) << u"нет оценок"_s << QString();
        QTest::newRow("no ratings: own drawing")
            << 1 << row(u"x"_s, u"Вн"_s, u"5"_s, QString()) << QString() << QString();
        QTest::newRow("set item") << 0 << row(u"амулет"_s, u"Сет Ма"_s, u"20"_s, u"1 2"_s)
                                  << u"амулет, сет"_s << u"Комплектный"_s;
        QTest::newRow("not in the base")
            << 0 << row(u"щит"_s) << u"щит, нет в базе"_s << u"Предмета нет"_s;
        QTest::newRow("not in the base, after a sort") << 0 << row(u"щит"_s, u" "_s, u" "_s, u" "_s)
                                                       << u"щит, нет в базе"_s << u"Предмета нет"_s;
        QTest::newRow("empty row") << 0 << row(QString()) << u"нет предмета"_s << QString();
        QTest::newRow("found item")
            << 0 << row(u"шлем"_s, u"Вн"_s, u"5"_s, u"1"_s) << QString() << QString();
        QTest::newRow("level column")
            << 2 << row(u"шлем"_s, u"Вн"_s, u"5"_s, u"1"_s) << QString() << QString();
    }
    void cellSpeech()
    {
        QFETCH(int, column);
        QFETCH(ItemTableRow, cells);
        QFETCH(QString, text);
        QFETCH(QString, descriptionStart);
        const ItemCellSpeech speech = itemCellSpeech(column, cells);
        QCOMPARE(speech.text, text);
        QVERIFY2(speech.description.startsWith(descriptionStart), qPrintable(speech.description));
        QCOMPARE(speech.description.isEmpty(), descriptionStart.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestItemTable)
#include "tst_itemtable.moc"
