#include "cp1251.h"
#include "list/liststate.h"
#include "text/error.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList abcde{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};

/// A list as the user leaves it after clicking entry `focused` (and Ctrl+clicking `more`).
ListState clicked(const QStringList &entries, qsizetype focused, const QList<qsizetype> &more = {})
{
    ListState state = listStateOf(entries);
    state.focused = focused;
    state.selected[focused] = true;
    for (const qsizetype i : more)
        state.selected[i] = true;
    return state;
}

QList<bool> flags(std::initializer_list<int> bits)
{
    QList<bool> result;
    for (const int b : bits)
        result.append(b != 0);
    return result;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestListState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void copyTexts()
    {
        ListState state = clicked({u"меч"_s, u"кинжал"_s, u"щит"_s}, 0, {2});
        QCOMPARE(copySelectedText(state), std::optional(u"меч\r\nщит\r"_s));
        QCOMPARE(copyAllText(state), std::optional(u"меч\r\nкинжал\r\nщит\r\n"_s));
        state.selected.fill(false);
        QCOMPARE(copySelectedText(state), std::nullopt);
        QCOMPARE(copySelectedText(clicked({QString()}, 0)), std::optional(u"\r"_s));
        QCOMPARE(copyAllText(ListState()), std::nullopt);
        QCOMPARE(copyAllText(listStateOf({QString()})), std::optional(u"\r\n"_s));
        QCOMPARE(copyEntryText(u"12. шлем"_s), u"12. шлем\r"_s);
        QCOMPARE(copyEntryText(QString()), u"\r"_s);
    }

    void deleteExamples_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<qsizetype>("focus");
        QTest::addColumn<QList<qsizetype>>("alsoSelected");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<qsizetype>("removedTableRow");
        QTest::addColumn<bool>("rebuild");
        QTest::addColumn<qsizetype>("newFocus");
        QTest::addColumn<QString>("count");

        QTest::newRow("middle entry: focus moves one further")
            << abcde << qsizetype(1) << QList<qsizetype>()
            << QStringList{u"a"_s, u"c"_s, u"d"_s, u"e"_s} << qsizetype(1) << false << qsizetype(2)
            << u"4 предметов"_s;
        QTest::newRow("last entry: focus stays on the new last")
            << abcde << qsizetype(4) << QList<qsizetype>()
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s} << qsizetype(4) << false << qsizetype(3)
            << u"4 предметов"_s;
        QTest::newRow("two selected go, table rebuilt")
            << abcde << qsizetype(2) << QList<qsizetype>{1} << QStringList{u"a"_s, u"d"_s, u"e"_s}
            << qsizetype(-1) << true << qsizetype(2) << u"3 предметов"_s;
        QTest::newRow("only entry")
            << QStringList{u"a"_s} << qsizetype(0) << QList<qsizetype>() << QStringList()
            << qsizetype(0) << false << qsizetype(-1) << u"0 предметов"_s;
        QTest::newRow("one selected elsewhere: the focused entry goes")
            << abcde << qsizetype(3) << QList<qsizetype>()
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"e"_s} << qsizetype(3) << false << qsizetype(3)
            << u"4 предметов"_s;
    }
    void deleteExamples()
    {
        QFETCH(QStringList, entries);
        QFETCH(qsizetype, focus);
        QFETCH(QList<qsizetype>, alsoSelected);
        QFETCH(QStringList, after);
        QFETCH(qsizetype, removedTableRow);
        QFETCH(bool, rebuild);
        QFETCH(qsizetype, newFocus);
        QFETCH(QString, count);
        ListState state = clicked(entries, focus, alsoSelected);
        const DeleteOutcome out = deleteEntries(state);
        QVERIFY(out.done);
        QCOMPARE(state.entries, after);
        QCOMPARE(out.removedTableRow, removedTableRow);
        QCOMPARE(out.rebuildTable, rebuild);
        QCOMPARE(state.focused, newFocus);
        QCOMPARE(out.tableRow, newFocus);
        QCOMPARE(out.countText, count);
    }

    void deleteKeepsOtherSelectionsAndOnEmptyDoesNothing()
    {
        ListState state = clicked(abcde, 0);
        state.focused = 2; // focus moved by Ctrl+click without selecting: «a» stays selected
        deleteEntries(state);
        QCOMPARE(state.entries, (QStringList{u"a"_s, u"b"_s, u"d"_s, u"e"_s}));
        QCOMPARE(state.selected, flags({1, 0, 0, 0}));

        ListState empty;
        const ListState before = empty;
        QVERIFY(!deleteEntries(empty).done);
        QCOMPARE(empty, before);
    }

    // The table row click after a delete: the entry of the row becomes focused and selected.
    void followTableRow()
    {
        ListState state = clicked(abcde, 1);
        deleteEntries(state);
        ::followTableRow(state, u"d"_s);
        QCOMPARE(state.focused, 2);
        QCOMPARE(state.selected, flags({0, 0, 1, 0}));

        state = clicked({u"Меч"_s, u"щит"_s, u"меч"_s}, 1);
        ::followTableRow(state, u"МЕЧ"_s); // first equal ignoring case
        QCOMPARE(state.focused, 0);
        QCOMPARE(state.selected, flags({1, 0, 0}));
        ::followTableRow(state, u"кольцо"_s); // none: the focus stays, its entry selected again
        QCOMPARE(state.focused, 0);
        QCOMPARE(state.selected, flags({1, 0, 0}));

        ListState empty;
        ::followTableRow(empty, u"a"_s);
        QCOMPARE(empty, ListState());
    }

    void removalFocusRule()
    {
        ListState state = clicked(abcde, 3, {0, 1});
        removeSelectedEntries(state); // removes a, b, d
        QCOMPARE(state.entries, (QStringList{u"c"_s, u"e"_s}));
        QCOMPARE(state.focused, 1);
        removeEntry(state, 0);
        QCOMPARE(state.focused, 0);
        removeEntry(state, 0);
        QCOMPARE(state.focused, -1);
        addEntries(state, {u"x"_s});
        QCOMPARE(state.focused, 0);
    }

    void selectAll()
    {
        ListState state = clicked(abcde, 2);
        selectAllEntries(state);
        QCOMPARE(state.selectedCount(), 5);
        QCOMPARE(state.focused, 2);
    }

    void sortedMode()
    {
        ListState state = clicked({u"щит"_s, u"Меч"_s, u"амулет"_s, u"Ёж"_s, u"бусы"_s}, 0);
        switchSortedOn(state);
        QVERIFY(state.sorted);
        QCOMPARE(state.entries, (QStringList{u"амулет"_s, u"бусы"_s, u"Ёж"_s, u"Меч"_s, u"щит"_s}));
        QCOMPARE(state.selected, flags({0, 0, 0, 0, 1})); // «щит» keeps its selection
        QCOMPARE(state.focused, 0);

        addEntries(state, {u"Ведро"_s, u"меч"_s, u"яблоко"_s, u"Амулет"_s});
        QCOMPARE(state.entries,
                 (QStringList{u"амулет"_s, u"Амулет"_s, u"бусы"_s, u"Ведро"_s, u"Ёж"_s, u"Меч"_s,
                              u"меч"_s, u"щит"_s, u"яблоко"_s}));
        QCOMPARE(state.selected.size(), state.entries.size());
        QCOMPARE(state.selected[7], true);

        const ListState once = state;
        switchSortedOn(state); // already on: nothing changes
        QCOMPARE(state, once);
    }

    void pasteAddAndReplace()
    {
        ListState state = listStateOf({u"щит"_s});
        QStringList names{u"щит"_s};
        PasteOutcome out = pasteIntoList(state, names, u"  меч\r\nЩИТ\r\n12. шлем\r\n"_s, false);
        QCOMPARE(state.entries, (QStringList{u"щит"_s, u"меч"_s, u"12. шлем"_s}));
        QCOMPARE(names, (QStringList{u"щит"_s, u"меч"_s, u"шлем"_s}));
        QCOMPARE(out.bufferLines, (QStringList{u"меч"_s, u"ЩИТ"_s, u"12. шлем"_s}));
        QCOMPARE(out.countText, u"3 предметов"_s);

        out = pasteIntoList(state, names, u"топор\nкольцо"_s, true);
        QCOMPARE(state.entries, (QStringList{u"топор"_s, u"кольцо"_s}));
        QCOMPARE(names, state.entries);
        QCOMPARE(state.focused, 0);

        out = pasteIntoList(state, names, QString(), false);
        QCOMPARE(state.entries.size(), 2);
        QCOMPARE(out.countText, u"2 предметов"_s);
        out = pasteIntoList(state, names, QString(), true);
        QVERIFY(state.entries.isEmpty());
        QVERIFY(names.isEmpty());
        QCOMPARE(out.countText, u"0 предметов"_s);
    }

    void pasteIntoSortedList()
    {
        ListState state = listStateOf({u"меч"_s}, true);
        QStringList names;
        pasteIntoList(state, names, u"щит\rамулет"_s, false);
        QCOMPARE(state.entries, (QStringList{u"амулет"_s, u"меч"_s, u"щит"_s}));
        QCOMPARE(names, (QStringList{u"щит"_s, u"амулет"_s}));
    }

    void listFileName_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("extension added") << u"/x/spisok"_s << u"/x/spisok.txt"_s;
        QTest::newRow("extension kept") << u"/x/spisok.txt"_s << u"/x/spisok.txt"_s;
        QTest::newRow("upper case extension is not it")
            << u"/x/spisok.TXT"_s << u"/x/spisok.TXT.txt"_s;
        QTest::newRow("folder with .txt in it") << u"/x.txt/spisok"_s << u"/x.txt/spisok"_s;
    }
    void listFileName()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(::listFileName(chosen), written);
    }

    void listFilesInEachEncoding_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        const QString text = u"12. шлем\r\nкольцо [отл]\r\n"_s;
        QTest::newRow("ansi") << int(TextEncoding::Ansi) << cp1251(text);
        QTest::newRow("utf-8") << int(TextEncoding::Utf8) << text.toUtf8();
        QTest::newRow("utf-8 bom") << int(TextEncoding::Utf8Bom) << "\xEF\xBB\xBF" + text.toUtf8();
        QTest::newRow("utf-16 le")
            << int(TextEncoding::Utf16LeBom)
            << "\xFF\xFE" + QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(text));
        QTest::newRow("utf-16 be")
            << int(TextEncoding::Utf16BeBom)
            << "\xFE\xFF" + QByteArray(QStringEncoder(QStringEncoder::Utf16BE).encode(text));
    }
    void listFilesInEachEncoding()
    {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString in = dir.filePath(u"in.txt"_s);
        writeBytes(in, bytes);

        ListState state = listStateOf({u"old"_s});
        QStringList names{u"old name"_s};
        QCOMPARE(loadListFile(state, names, in), TextEncoding(encoding));
        const QStringList lines{u"12. шлем"_s, u"кольцо [отл]"_s};
        QCOMPARE(state.entries, lines);
        QCOMPARE(names, lines);
        QCOMPARE(state.focused, 0);

        const QString out = dir.filePath(u"out.txt"_s);
        saveListFile(state, out, TextEncoding(encoding));
        QCOMPARE(readBytes(out), bytes);
    }

    void loadIntoSortedListKeepsFileOrderInNames()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"l.txt"_s);
        writeBytes(path, "b\r\nA\r\nc\r\n");
        ListState state = listStateOf({}, true);
        QStringList names;
        loadListFile(state, names, path);
        QCOMPARE(state.entries, (QStringList{u"A"_s, u"b"_s, u"c"_s}));
        QCOMPARE(names, (QStringList{u"b"_s, u"A"_s, u"c"_s}));
    }

    void emptyListWritesEmptyFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(quickSlotFileName(1));
        writeBytes(path, "old\r\n");
        saveListFile(ListState(), path, TextEncoding::Ansi);
        QCOMPARE(readBytes(path), QByteArray());
    }

    void binaryFileLoadsWithoutHarm()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"bin.txt"_s);
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.append(char(i * 37 % 256));
        writeBytes(path, bytes);
        ListState state;
        QStringList names;
        loadListFile(state, names, path);
        QCOMPARE(names, state.entries);
    }

    void unreadableFileChangesNothing()
    {
        QTemporaryDir dir;
        ListState state = clicked(abcde, 1);
        QStringList names{u"a"_s};
        const ListState before = state;
        for (const QString &path : {dir.filePath(u"missing.txt"_s), dir.path()}) {
            try {
                loadListFile(state, names, path);
                QFAIL("no error");
            } catch (const TarnError &e) {
                QVERIFY(e.message().startsWith(u"Cannot open file \""_s + path + u"\". "_s));
            }
            QCOMPARE(state, before);
            QCOMPARE(names, QStringList{u"a"_s});
        }
    }

    void failedWriteReportsAndKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString blocked = dir.filePath(u"folder.txt"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"folder.txt"_s));
        try {
            saveListFile(listStateOf(abcde), blocked, TextEncoding::Ansi);
            QFAIL("no error");
        } catch (const TarnError &e) {
            QVERIFY(e.message().startsWith(u"Cannot create file \""_s + blocked + u"\". "_s));
        }

        const QString old = dir.filePath(u"ro/list.txt"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"ro"_s));
        writeBytes(old, "keep\r\n");
        QFile::setPermissions(dir.filePath(u"ro"_s),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(old, QFileDevice::ReadOwner);
        const bool canWrite = QFile(old).open(QIODevice::WriteOnly | QIODevice::Append);
        if (!canWrite) {
            QVERIFY_THROWS_EXCEPTION(TarnError,
                                     saveListFile(listStateOf(abcde), old, TextEncoding::Ansi));
            QCOMPARE(readBytes(old), QByteArray("keep\r\n"));
        }
        QFile::setPermissions(dir.filePath(u"ro"_s),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
        if (canWrite)
            QSKIP("permissions are not enforced for this user; the folder case was checked");
    }

    void quickSlotTexts_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("slot 1, empty list")
            << 1 << qsizetype(0)
            << QStringList{u"save1.txt"_s, u"Список 1 (пусто)"_s, u"Список 1 (0 записи)"_s,
                           u"Перезаписан 1 список предметов."_s};
        QTest::newRow("slot 2") << 2 << qsizetype(14)
                                << QStringList{u"save2.txt"_s, u"Список 2 (пусто)"_s,
                                               u"Список 2 (14 записи)"_s,
                                               u"Перезаписан 2 список предметов."_s};
        QTest::newRow("slot 3") << 3 << qsizetype(1)
                                << QStringList{u"save3.txt"_s, u"Список 3 (пусто)"_s,
                                               u"Список 3 (1 записи)"_s,
                                               u"Перезаписан 3 список предметов."_s};
    }
    void quickSlotTexts()
    {
        QFETCH(int, slot);
        QFETCH(qsizetype, count);
        QFETCH(QStringList, texts);
        QCOMPARE(quickSlotFileName(slot), texts[0]);
        QCOMPARE(quickSlotEmptyHint(slot), texts[1]);
        QCOMPARE(quickSlotHint(slot, count), texts[2]);
        QCOMPARE(quickSlotSavedMessage(slot), texts[3]);
    }

    void largeListsStayWhole()
    {
        QStringList many;
        for (int i = 0; i < 100000; ++i)
            many.append(u"вещь "_s + QString::number(99999 - i));
        ListState state = listStateOf(many, true);
        QCOMPARE(state.entries.size(), many.size());
        QCOMPARE(state.entries.first(), u"вещь 0"_s);
        selectAllEntries(state);
        QCOMPARE(copySelectedText(state)->size(), copyAllText(state)->size() - 1);
        deleteEntries(state);
        QVERIFY(state.entries.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestListState)
#include "tst_liststate.moc"
