#include "list/listhistory.h"
#include "list/liststate.h"

#include <QTest>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Command = std::function<void(ListSnapshot &)>;

ListSnapshot snapshotOf(const QStringList &entries, const QStringList &names = {})
{
    return {listStateOf(entries), names};
}

/// Snapshots compared field by field: QList<bool>'s own comparison hands memcmp a null
/// pointer for an empty list, which the sanitizer build rightly refuses.
bool same(const ListSnapshot &a, const ListSnapshot &b)
{
    return a.list.entries == b.list.entries && a.list.focused == b.list.focused
        && a.list.sorted == b.list.sorted && a.listedNames == b.listedNames
        && std::equal(a.list.selected.cbegin(), a.list.selected.cend(), b.list.selected.cbegin(),
                      b.list.selected.cend());
}

/// A selection as a text of 0s and 1s, to compare it (see `same`).
QString flags(const QList<bool> &selected)
{
    QString text;
    for (const bool flag : selected)
        text += flag ? u'1' : u'0';
    return text;
}

QStringList numbered(const QString &stem, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts.append(stem + QString::number(i));
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(Command)

class TestListHistory : public QObject
{
    Q_OBJECT

private slots:
    /// Each kind of change goes back to the list before it, selection, focus, sorted mode and
    /// ListedNames included, and forward again to the list after it.
    void undoAndRedoRestoreBothSides_data()
    {
        QTest::addColumn<ListSnapshot>("before");
        QTest::addColumn<Command>("command");
        ListSnapshot selected = snapshotOf({u"меч"_s, u"щит"_s, u"шлем"_s, u"кольцо"_s},
                                           {u"меч"_s, u"щит"_s});
        selected.list.selected = {false, true, true, false};
        selected.list.focused = 2;
        QTest::newRow("paste appends") << selected << Command([](ListSnapshot &s) {
            pasteLinesIntoList(s.list, s.listedNames, {u"1. посох"_s, u"плащ"_s});
        });
        QTest::newRow("replace") << selected << Command([](ListSnapshot &s) {
            clearForReplacement(s.list, s.listedNames);
            pasteLinesIntoList(s.list, s.listedNames, {u"плащ"_s});
        });
        QTest::newRow("delete in the middle")
            << selected << Command([](ListSnapshot &s) { deleteEntries(s.list); });
        QTest::newRow("delete the selected")
            << selected << Command([](ListSnapshot &s) { removeSelectedEntries(s.list); });
        QTest::newRow("clear") << selected
                               << Command([](ListSnapshot &s) { clearEntries(s.list); });
        QTest::newRow("sorted mode on")
            << selected << Command([](ListSnapshot &s) { switchSortedOn(s.list); });
        QTest::newRow("search result") << selected << Command([](ListSnapshot &s) {
            setEntries(s.list, {u"кольцо"_s});
            s.listedNames = {u"кольцо"_s};
        });
        QTest::newRow("from empty") << snapshotOf({}) << Command([](ListSnapshot &s) {
            pasteLinesIntoList(s.list, s.listedNames, {u"меч"_s, u"меч"_s});
        });
        QTest::newRow("names only")
            << selected << Command([](ListSnapshot &s) { s.listedNames.append(u"лук"_s); });
    }
    void undoAndRedoRestoreBothSides()
    {
        QFETCH(ListSnapshot, before);
        QFETCH(Command, command);
        ListSnapshot after = before;
        command(after);
        QVERIFY(!same(after, before));
        ListHistory history;
        history.record(before, after, u"команда"_s);
        QVERIFY(history.canUndo());
        QVERIFY(!history.canRedo());

        const std::optional<ListHistory::Move> undone = history.undo(after);
        QVERIFY(undone);
        QCOMPARE(undone->snapshot.list.entries, before.list.entries);
        QCOMPARE(flags(undone->snapshot.list.selected), flags(before.list.selected));
        QCOMPARE(undone->snapshot.list.focused, before.list.focused);
        QCOMPARE(undone->snapshot.list.sorted, before.list.sorted);
        QCOMPARE(undone->snapshot.listedNames, before.listedNames);
        QCOMPARE(undone->command, u"команда"_s);
        QCOMPARE(undone->countBefore, after.list.size());
        QCOMPARE(undone->countAfter, before.list.size());
        QVERIFY(!history.canUndo());
        QVERIFY(history.canRedo());

        const std::optional<ListHistory::Move> redone = history.redo(undone->snapshot);
        QVERIFY(redone);
        QVERIFY(same(redone->snapshot, after));
        QVERIFY(history.canUndo());
        QVERIFY(!history.canRedo());
    }

    void stepsGoBackInTurnAndANewCommandDropsTheRedoSide()
    {
        ListHistory history;
        ListSnapshot list = snapshotOf({u"a"_s});
        QList<ListSnapshot> versions{list};
        for (const QString &entry : {u"b"_s, u"c"_s, u"d"_s}) {
            ListSnapshot next = list;
            addEntries(next.list, {entry});
            history.record(list, next, u"добавление"_s);
            list = next;
            versions.append(list);
        }
        // A command that changes nothing of the list is no step.
        history.record(list, list, u"копирование"_s);
        QCOMPARE(history.undoCount(), 3);
        for (qsizetype k = versions.size() - 2; k >= 0; --k) {
            list = history.undo(list)->snapshot;
            QVERIFY(same(list, versions[k]));
        }
        QVERIFY(!history.undo(list));
        list = history.redo(list)->snapshot;
        QVERIFY(same(list, versions[1]));
        ListSnapshot other = list;
        addEntries(other.list, {u"x"_s});
        history.record(list, other, u"добавление"_s);
        QVERIFY(!history.canRedo());
        QCOMPARE(history.undoCount(), 2);
    }

    /// A list changed since the step by other means is not the one the step can go back from.
    void aListChangedOutsideTheHistoryClearsIt()
    {
        ListHistory history;
        const ListSnapshot before = snapshotOf({u"a"_s});
        const ListSnapshot after = snapshotOf({u"a"_s, u"b"_s});
        history.record(before, after, u"добавление"_s);
        QVERIFY(!history.undo(snapshotOf({u"a"_s, u"b"_s, u"c"_s})));
        QVERIFY(!history.canUndo());
        QVERIFY(!history.canRedo());
    }

    void depthIsBounded()
    {
        ListHistory history;
        ListSnapshot list = snapshotOf({});
        for (int k = 0; k < ListHistory::maxSteps + 10; ++k) {
            ListSnapshot next = list;
            addEntries(next.list, {QString::number(k)});
            history.record(list, next, u"добавление"_s);
            list = next;
        }
        QCOMPARE(history.undoCount(), ListHistory::maxSteps);
        QVERIFY(ListHistory::maxSteps >= 100);

        // Steps that each replace the whole list are kept while their entries fit.
        ListHistory bounded(1000);
        ListSnapshot whole = snapshotOf(numbered(u"a"_s, 300));
        for (int k = 0; k < 10; ++k) {
            const ListSnapshot next = snapshotOf(numbered(QString::number(k), 300));
            bounded.record(whole, next, u"поиск по свойству"_s);
            whole = next;
        }
        QCOMPARE(bounded.undoCount(), 3);
        QVERIFY(bounded.heldTexts() <= 1000);
        ListHistory oneHuge(10);
        oneHuge.record(snapshotOf(numbered(u"a"_s, 50)), snapshotOf({}), u"очистка"_s);
        QCOMPARE(oneHuge.undoCount(), 1);
    }

    /// A step keeps the entries its command changed, not the whole list.
    void aStepHoldsOnlyWhatChanged()
    {
        ListHistory history;
        ListSnapshot list = snapshotOf(numbered(u"предмет "_s, 200'000));
        ListSnapshot fewer = list;
        removeEntry(fewer.list, 100'000);
        history.record(list, fewer, u"удаление"_s);
        ListSnapshot more = fewer;
        addEntries(more.list, {u"меч"_s, u"щит"_s});
        history.record(fewer, more, u"добавление"_s);
        QCOMPARE(history.heldTexts(), 1);
        const ListSnapshot back = history.undo(more)->snapshot;
        QVERIFY(same(back, fewer));
        QCOMPARE(history.heldTexts(), 3); // the redo side holds the two added entries
        QVERIFY(same(history.undo(back)->snapshot, list));
    }
};

QTEST_GUILESS_MAIN(TestListHistory)
#include "tst_listhistory.moc"
