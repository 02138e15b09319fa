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

    /// A hundred commands in a row, each of another kind, are undone one by one back to the
    /// list before the first, each undo giving the list before its command.
    void aHundredStepsAreUndoneToTheStart()
    {
        ListHistory history;
        ListSnapshot list = snapshotOf(numbered(u"предмет "_s, 20), numbered(u"имя "_s, 5));
        QList<ListSnapshot> versions{list};
        for (int k = 0; k < 100; ++k) {
            ListSnapshot next = list;
            switch (k % 4) {
            case 0: addEntries(next.list, {u"новый "_s + QString::number(k)}); break;
            case 1: removeEntry(next.list, k % next.list.size()); break;
            case 2: next.listedNames.append(QString::number(k)); break;
            default:
                next.list.entries[k % next.list.size()] = u"замена "_s + QString::number(k);
                break;
            }
            ++next.generation;
            history.record(list, next, u"команда "_s + QString::number(k));
            list = next;
            versions.append(list);
        }
        QCOMPARE(history.undoCount(), 100);
        for (int k = 99; k >= 0; --k) {
            const std::optional<ListHistory::Move> undone = history.undo(list);
            QVERIFY2(undone, qPrintable(QString::number(k)));
            QCOMPARE(undone->command, u"команда "_s + QString::number(k));
            QCOMPARE(undone->snapshot.list.entries, versions[k].list.entries);
            QCOMPARE(undone->snapshot.listedNames, versions[k].listedNames);
            list = undone->snapshot;
            list.generation = 1000 + k; // as the window's model counts its writes
            history.moveShown(list.generation);
        }
        QVERIFY(!history.canUndo());
        QCOMPARE(history.redo(list)->snapshot.list.entries, versions[1].list.entries);
    }

    /// The bound on held entries holds on both sides: undoing moves what a step holds to the
    /// redo side, where the step may hold more. The oldest undo steps go first, then the redo
    /// steps farthest from the list shown; the step just moved can always be moved back.
    void heldEntriesStayBoundedWhenUndone()
    {
        const qsizetype bound = 100;
        const auto fits = [&](const ListHistory &history) { return history.heldTexts() <= bound; };
        // A clear, then a paste of 80: undoing the paste puts its 80 entries on the redo side.
        ListHistory history(bound);
        const ListSnapshot sixty = snapshotOf(numbered(u"a"_s, 60));
        const ListSnapshot empty = snapshotOf({});
        const ListSnapshot eighty = snapshotOf(numbered(u"b"_s, 80));
        history.record(sixty, empty, u"очистка"_s);
        history.record(empty, eighty, u"добавление"_s);
        QCOMPARE(history.heldTexts(), 60);
        std::optional<ListHistory::Move> moved = history.undo(eighty);
        QVERIFY(moved);
        QVERIFY2(fits(history), qPrintable(QString::number(history.heldTexts())));
        QVERIFY(!history.canUndo()); // the clear, the oldest step, went
        moved = history.redo(moved->snapshot);
        QVERIFY(moved);
        QVERIFY(same(moved->snapshot, eighty));

        // A paste of 60, then a replacement by 60 others, both undone: the redo side holds
        // 120 unless the step farthest from the list shown goes.
        ListHistory redoSide(bound);
        const ListSnapshot others = snapshotOf(numbered(u"c"_s, 60));
        redoSide.record(empty, sixty, u"добавление"_s);
        redoSide.record(sixty, others, u"замена"_s);
        moved = redoSide.undo(others);
        QVERIFY(moved);
        moved = redoSide.undo(moved->snapshot);
        QVERIFY(moved);
        QVERIFY(same(moved->snapshot, empty));
        QVERIFY2(fits(redoSide), qPrintable(QString::number(redoSide.heldTexts())));
        moved = redoSide.redo(moved->snapshot);
        QVERIFY(moved);
        QVERIFY(same(moved->snapshot, sixty));
        QVERIFY(!redoSide.canRedo());
    }

    /// A step is taken only from the list at the generation it left, so a change of the same
    /// length made by any other write is never spliced into. After a move the step checks
    /// against the generation the caller reports for the list it showed.
    void aStepIsTakenOnlyFromTheGenerationItLeft()
    {
        ListHistory history;
        ListSnapshot before = snapshotOf({u"меч"_s, u"щит"_s, u"шлем"_s}, {u"меч"_s});
        before.generation = 1;
        ListSnapshot after = before;
        removeEntry(after.list, 1);
        after.generation = 2;
        history.record(before, after, u"удаление"_s);

        ListSnapshot elsewhere = after; // the same counts, other texts, another generation
        elsewhere.list.entries = {u"посох"_s, u"лук"_s};
        elsewhere.generation = 3;
        QVERIFY(!history.undo(elsewhere));
        QVERIFY(!history.canUndo());
        QVERIFY(!history.canRedo());

        history.record(before, after, u"удаление"_s);
        std::optional<ListHistory::Move> moved = history.undo(after);
        QVERIFY(moved);
        QCOMPARE(moved->snapshot.list.entries, before.list.entries);
        history.moveShown(7);
        ListSnapshot shown = moved->snapshot;
        shown.generation = 7;
        moved = history.redo(shown);
        QVERIFY(moved);
        QCOMPARE(moved->snapshot.list.entries, after.list.entries);
        history.moveShown(8);
        shown = moved->snapshot;
        shown.generation = 9; // written once more since
        QVERIFY(!history.undo(shown));
        QVERIFY(!history.canUndo());

        // A command on a list written since by other means: the steps before it go.
        history.record(before, after, u"удаление"_s);
        ListSnapshot added = elsewhere;
        addEntries(added.list, {u"плащ"_s});
        added.generation = 4;
        history.record(elsewhere, added, u"добавление"_s);
        QCOMPARE(history.undoCount(), 1);
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
