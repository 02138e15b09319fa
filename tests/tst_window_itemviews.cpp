// The item list, the item table and the copy buffers as the list commands see them: a change
// shown in a widget (written only where it differs) reads back exactly, and the list keeps its
// long entries reachable while every entry takes one size.

#include "app/form/viewcontents.h"
#include "app/widgets/drawntext.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "list/liststate.h"

#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QStringList numbered(const QString &stem, int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(stem + QString::number(i));
    return entries;
}

ItemTable tableOf(const QStringList &entries)
{
    ItemTable rows;
    for (const QString &entry : entries)
        rows.append(
            ItemTableRow{entry, u"1"_s, entry.size() % 2 ? QString() : u"x"_s, entry.right(1)});
    return rows;
}

} // namespace

class WindowItemViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void listShowsEachChange_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList base = numbered(u"меч "_s, 120);
        QStringList oneGone = base;
        oneGone.removeAt(40);
        QStringList manyGone = base.mid(0, 10) + base.mid(90);
        QStringList inserted = base;
        inserted.insert(60, u"щит"_s);
        inserted.insert(61, u"шлем"_s);
        QStringList duplicates = base;
        duplicates[5] = base[6];
        QTest::newRow("one entry deleted in the middle") << base << oneGone;
        QTest::newRow("many deleted") << base << manyGone;
        QTest::newRow("two inserted") << base << inserted;
        QTest::newRow("appended") << base.mid(0, 50) << base;
        QTest::newRow("every entry different") << base << numbered(u"шлем "_s, 80);
        QTest::newRow("emptied") << base << QStringList();
        QTest::newRow("from empty") << QStringList() << base;
        QTest::newRow("first and last deleted") << base << base.mid(1, base.size() - 2);
        QTest::newRow("equal neighbours") << base << duplicates;
    }

    void listShowsEachChange()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        ItemListWidget list;
        ListState first = listStateOf(before);
        if (first.size() > 3) {
            first.selected[3] = true;
            first.focused = 3;
        }
        list.setState(first);
        QCOMPARE(list.state(), first);

        ListState second = listStateOf(after);
        for (qsizetype i = 0; i < second.size(); i += 2)
            second.selected[i] = true;
        second.focused = second.size() - 2;
        if (second.focused < 0)
            second.focused = -1;
        list.setState(second);
        ListState shown = list.state();
        QCOMPARE(shown.entries, second.entries);
        QCOMPARE(shown.selected, second.selected);
        QCOMPARE(shown.focused, second.entries.isEmpty() ? -1 : second.focused);
    }

    void longEntriesStayReachable()
    {
        ItemListWidget list;
        list.resize(120, 200);
        QStringList entries = numbered(u"a"_s, 200);
        const QString longEntry = u"Длинное название предмета, которое не помещается в список"_s;
        entries.insert(100, longEntry); // neither the first nor the last entry
        list.setState(listStateOf(entries));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        const int longWidth = list.fontMetrics().horizontalAdvance(longEntry);
        QTRY_VERIFY(list.visualRect(list.itemModel()->index(0)).width() >= longWidth);
        QVERIFY(list.horizontalScrollBar()->maximum() > 0);
        const int rowHeight = list.visualRect(list.itemModel()->index(0)).height();
        QCOMPARE(list.visualRect(list.itemModel()->index(100)).height(), rowHeight);

        // Deleting the long entry narrows the list; a longer entry appended widens it again.
        ListState state = list.state();
        removeEntry(state, 100);
        list.setState(state);
        QTRY_VERIFY(list.visualRect(list.itemModel()->index(0)).width() < longWidth);
        const QString longer = longEntry + longEntry;
        addEntries(state, {longer});
        list.setState(state);
        QTRY_VERIFY(list.visualRect(list.itemModel()->index(0)).width()
                    >= list.fontMetrics().horizontalAdvance(longer));
    }

    void drawnText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("drawn");
        const QString pair = u"\U0001F5E1"_s; // a dagger, two UTF-16 code units
        QTest::newRow("short") << u"меч"_s << u"меч"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("exactly the limit") << u"мечи"_s << u"мечи"_s;
        QTest::newRow("one beyond") << u"мечи!"_s << u"мечи\u2026"_s;
        QTest::newRow("pair at the cut") << u"меч"_s + pair + u"щит"_s << u"меч\u2026"_s;
        QTest::newRow("pair before the cut")
            << u"ме"_s + pair + u"щит"_s << u"ме"_s + pair + u"\u2026"_s;
    }

    void drawnText()
    {
        QFETCH(QString, text);
        QFETCH(QString, drawn);
        QCOMPARE(::drawnText(text, 4), drawn);
    }

    void hugeEntryIsKeptWholeAndDrawnCut()
    {
        const QString huge = QString(drawnTextLimit * 100, u'ж');
        ItemListWidget list;
        list.resize(120, 200);
        list.setState(listStateOf({u"меч"_s, huge}));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.state().entries, (QStringList{u"меч"_s, huge}));
        // Every entry is as wide as the drawn part of the huge one, not as the whole of it.
        const int drawnWidth = list.fontMetrics().horizontalAdvance(::drawnText(huge));
        QTRY_VERIFY(list.visualRect(list.itemModel()->index(0)).width() >= drawnWidth);
        QVERIFY(list.visualRect(list.itemModel()->index(0)).width() < drawnWidth + 100);
        QVERIFY(list.horizontalScrollBar()->maximum() < drawnWidth);

        ItemTableWidget table(1);
        showItemTable(&table, tableOf({huge}), 0);
        QCOMPARE(readItemTableRow(&table, 0)[EntryColumn], huge);
        QCOMPARE(table.model()->index(0, EntryColumn).data().toString(), ::drawnText(huge));
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
    }

    void tableShowsEachChange_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList base = numbered(u"кольцо "_s, 90);
        QStringList oneGone = base;
        oneGone.removeAt(17);
        QStringList inserted = base;
        inserted.insert(30, u"посох"_s);
        QTest::newRow("one row deleted") << base << oneGone;
        QTest::newRow("last row deleted") << base << base.mid(0, base.size() - 1);
        QTest::newRow("one row inserted") << base << inserted;
        QTest::newRow("many rows deleted") << base << base.mid(0, 5);
        QTest::newRow("many rows added") << base.mid(0, 5) << base;
        QTest::newRow("every row different") << base << numbered(u"лук "_s, 90);
        QTest::newRow("emptied") << base << QStringList();
        QTest::newRow("unchanged") << base << base;
    }

    void tableShowsEachChange()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        ItemTableWidget table(1);
        showItemTable(&table, tableOf(before), 2);
        QCOMPARE(readItemTable(&table), tableOf(before));
        // A row kept at the end moves with the rows deleted or added above it.
        const QPersistentModelIndex lastRow = table.model()->index(table.rowCount() - 1, 0);
        showItemTable(&table, tableOf(after), 7);
        QCOMPARE(readItemTable(&table), tableOf(after));
        if (!before.isEmpty() && !after.isEmpty() && before.last() == after.last())
            QCOMPARE(lastRow.row(), int(after.size()) - 1);
        if (!after.isEmpty())
            QCOMPARE(table.currentRow(), std::min<int>(7, int(after.size()) - 1));
    }
};

QTEST_MAIN(WindowItemViewsTest)
#include "tst_window_itemviews.moc"
