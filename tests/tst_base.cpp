#include "base/staffbase.h"
#include "cp1251.h"
#include "text/error.h"
#include "text/strops.h"
#include "text/textfile.h"

#include "randombase.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

ItemIndex indexOf(const QStringList &lines)
{
    return ScanItemIndex(staffBaseFromText(lines.join(u"\r\n"_s)));
}

ItemIndexRow row(const QString &name, const QString &level, const QString &classHeader,
                 const QString &ratings)
{
    return {name, level, classHeader, ratings};
}

/// The scan read line by line over a plain list, as the rule is written: the reference the
/// indexed scan must agree with.
ItemIndex plainScan(const QStringList &lines)
{
    QList<ItemIndexRow> rows;
    QSet<QString> appended;
    ItemIndexRow pending;
    auto lineAt = [&](qsizetype i) { return i < lines.size() ? lines[i] : QString(); };
    auto append = [&] {
        rows.append(pending);
        appended.insert(caseFoldKey(pending.name));
        pending = ItemIndexRow();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        if (containsText(line, u"Предмет")) {
            if (!pending.name.isEmpty() && !appended.contains(caseFoldKey(pending.name)))
                append();
            pending.level.clear();
            pending.classHeader = trimText(lineAt(i + 1));
            for (int k = 0; k < 5; ++k)
                pending.classHeader = replaceEvery(pending.classHeader, u"  ", u" ");
            pending.ratings = lineAt(i + 2);
            if (!containsText(pending.ratings, u"Оценка")) {
                pending.classHeader.clear();
                pending.ratings.clear();
            }
            pending.ratings = replaceEvery(
                removeEvery(removeEvery(pending.ratings, u"Оценка:"), u","), u"   ", u" ");
            for (int k = 0; k < 3; ++k)
                pending.ratings = replaceEvery(pending.ratings, u"  ", u" ");
            pending.ratings = trimText(pending.ratings);
            const QString rest = partFrom(line, 10);
            pending.name = firstChars(rest, posOf(u", Тип", rest) - 2);
        }
        if (containsText(line, u"мин.уровень")) {
            const qsizetype q = posOf(u"мин.уровень", line);
            pending.level = removeEvery(line.mid(q + 11, 2), u",");
            if (!appended.contains(caseFoldKey(pending.name)))
                append();
        }
    }
    return ItemIndex(rows);
}

QList<qsizetype> plainLinesContaining(const QStringList &lines, const QString &needle)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (containsText(lines[i], needle))
            found.append(i);
    }
    return found;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestBase : public QObject
{
    Q_OBJECT

private slots:
    void illustrativeRecord()
    {
        const QStringList lines = {
            u"Предмет 'старый фонарь', Тип предмета: Обычный"_s,
            u"Вн  Ва  Сл"_s,
            u"Оценка: 3, 2, 5"_s,
            u"СВЕТ !ПК"_s,
            u"мин.уровень 5, удача +2"_s,
            u"<end node> 5P9i0s8y19Z"_s,
        };
        QCOMPARE(indexOf(lines),
                 ItemIndex({row(u"старый фонарь"_s, u"5"_s, u"Вн Ва Сл"_s, u"3 2 5"_s)}));
    }

    void scanCases_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<ItemIndex>("expected");

        const QString hdr = u"Предмет '%1', Тип предмета: Обычный"_s;
        const QString cls = u"Вн Ва"_s;
        const QString rat = u"Оценка: 1, 2"_s;
        const QString end = u"<end node> 5P9i0s8y19Z"_s;

        QTest::newRow("names differing in case: first wins")
            << QStringList{hdr.arg(u"Меч"_s), cls, rat, u"мин.уровень 3"_s, end,
                           hdr.arg(u"меч"_s), cls, rat, u"мин.уровень 9"_s, end}
            << ItemIndex{row(u"Меч"_s, u"3"_s, cls, u"1 2"_s)};
        QTest::newRow("no level line: row at next header, empty level")
            << QStringList{hdr.arg(u"a"_s), cls, rat, end,
                           hdr.arg(u"b"_s), cls, rat, u"мин.уровень 7"_s}
            << ItemIndex{row(u"a"_s, QString(), cls, u"1 2"_s), row(u"b"_s, u"7"_s, cls, u"1 2"_s)};
        QTest::newRow("last item without level line is dropped")
            << QStringList{hdr.arg(u"a"_s),
                           cls,
                           rat,
                           u"мин.уровень 1"_s,
                           end,
                           hdr.arg(u"b"_s),
                           cls,
                           rat,
                           end}
            << ItemIndex{row(u"a"_s, u"1"_s, cls, u"1 2"_s)};
        QTest::newRow("no ratings line: class and ratings empty")
            << QStringList{hdr.arg(u"a"_s), cls, u"что-то"_s, u"мин.уровень 4"_s}
            << ItemIndex{row(u"a"_s, u"4"_s, QString(), QString())};
        QTest::newRow("second level line: one empty-name row, once per load")
            << QStringList{hdr.arg(u"a"_s),   cls, rat, u"мин.уровень 4"_s, u"мин.уровень 8"_s,
                           u"мин.уровень 9"_s}
            << ItemIndex{row(u"a"_s, u"4"_s, cls, u"1 2"_s),
                         row(QString(), u"8"_s, QString(), QString())};
        QTest::newRow("header without type part: empty name, row at its level line")
            << QStringList{u"Предмет 'безымянный'"_s, cls, rat, u"мин.уровень 2"_s, end,
                           u"Предмет 'другой'"_s,     cls, rat}
            << ItemIndex{row(QString(), u"2"_s, cls, u"1 2"_s)};
        QTest::newRow("level forms")
            << QStringList{hdr.arg(u"a"_s), cls, rat, u"мин.уровень 12"_s,
                           hdr.arg(u"b"_s), cls, rat, u"мин.уровень: 12"_s,
                           hdr.arg(u"c"_s), cls, rat, u"x мин.уровень"_s}
            << ItemIndex{row(u"a"_s, u"12"_s, cls, u"1 2"_s), row(u"b"_s, u" 1"_s, cls, u"1 2"_s),
                         row(u"c"_s, QString(), cls, u"1 2"_s)};
        QTest::newRow("header and level on one line")
            << QStringList{hdr.arg(u"a"_s) + u" мин.уровень 30"_s, cls, rat}
            << ItemIndex{row(u"a"_s, u"30"_s, cls, u"1 2"_s)};
        QTest::newRow("spaces shortened")
            << QStringList{hdr.arg(u"a"_s), u"\t Вн  Ва   Сл  "_s, u"Оценка:  10,  9"_s,
                           u"мин.уровень 1"_s}
            << ItemIndex{row(u"a"_s, u"1"_s, u"Вн Ва Сл"_s, u"10 9"_s)};
        QTest::newRow("header not at line start: name shifted")
            << QStringList{u"xПредмет 'a', Тип предмета: Обычный"_s, cls, rat, u"мин.уровень 1"_s}
            << ItemIndex{row(u"'a"_s, u"1"_s, cls, u"1 2"_s)};
        QTest::newRow("header in the last line reads missing lines as empty")
            << QStringList{hdr.arg(u"a"_s) + u" мин.уровень 6"_s}
            << ItemIndex{row(u"a"_s, u"6"_s, QString(), QString())};
        QTest::newRow("header in the next-to-last line")
            << QStringList{hdr.arg(u"a"_s), u"Оценка: 1 мин.уровень 2"_s}
            << ItemIndex{row(u"a"_s, u"2"_s, QString(), QString())};
        QTest::newRow("level line before any header: empty-name row")
            << QStringList{u"мин.уровень 5"_s, hdr.arg(u"a"_s), cls, rat, u"мин.уровень 1"_s}
            << ItemIndex{row(QString(), u"5"_s, QString(), QString()),
                         row(u"a"_s, u"1"_s, cls, u"1 2"_s)};
        QTest::newRow("empty base") << QStringList() << ItemIndex();
    }
    void scanCases()
    {
        QFETCH(QStringList, lines);
        QFETCH(ItemIndex, expected);
        QCOMPARE(indexOf(lines), expected);
        QCOMPARE(plainScan(lines), expected);
    }

    void linesAreOneBufferWithOffsets()
    {
        const StaffBase base = staffBaseFromText(u"  a \r\n\r\nПредмет x\rb<end node>\nc"_s);
        QCOMPARE(base.lineCount(), 5);
        QCOMPARE(base.line(0), u"  a "_s);
        QCOMPARE(base.line(1), QString());
        QCOMPARE(base.line(4), u"c"_s);
        QCOMPARE(base.headerLines(), QList<qsizetype>({2}));
        QCOMPARE(base.endLines(), QList<qsizetype>({3}));
        QCOMPARE(base.lowerLine(2), u"предмет x"_s);
        QCOMPARE(base.lineOfPosition(0), 0);
        QCOMPARE(base.lineOfPosition(4), 0); // the CR ending line 0
        QCOMPARE(base.lineOfPosition(5), 0); // its LF
        QCOMPARE(base.lineOfPosition(6), 1);
        QCOMPARE(base.lineOfPosition(8), 2);
        QCOMPARE(base.lineOfPosition(base.text().size()), -1);
        QVERIFY(staffBaseFromText(QString()).isEmpty());
    }

    /// The marker lists, the quoting look-up and the indexed scan against a line-by-line
    /// reading, with the text scanned whole and in pieces on several threads.
    void indexesAgreeWithPlainReading_data()
    {
        QTest::addColumn<int>("pieces");
        for (int pieces : {1, 2, 3, 7})
            QTest::addRow("%d pieces", pieces) << pieces;
    }

    void indexesAgreeWithPlainReading()
    {
        QFETCH(int, pieces);
        for (quint32 seed = 1; seed <= 200; ++seed) {
            const QString text = randombase::randomBaseText(seed, int(seed % 40));
            const QStringList lines = splitLines(text);
            const StaffBase base = staffBaseFromText(text, pieces);
            QCOMPARE(base.lineCount(), lines.size());
            for (qsizetype i = 0; i < lines.size(); ++i)
                QCOMPARE(base.line(i), lines[i]);
            QCOMPARE(base.headerLines(), plainLinesContaining(lines, u"Предмет"_s));
            QCOMPARE(base.endLines(), plainLinesContaining(lines, u"<end node>"_s));
            QCOMPARE(base.levelLines(), plainLinesContaining(lines, u"мин.уровень"_s));
            QCOMPARE(base.linesContaining(u"на тело"_s, true),
                     plainLinesContaining(splitLines(lowerText(text)), u"на тело"_s));
            for (const QString &key : {u"меч"_s, u"Меч"_s, QString(), u" "_s, u"a"_s, u"b"_s,
                                       u", "_s, u"старый фонарь"_s, u"x.y(z)"_s}) {
                QList<qsizetype> expected;
                for (qsizetype i : plainLinesContaining(lines, u"Предмет"_s)) {
                    if (containsText(lines[i], QString(u'\'' + key + u'\'')))
                        expected.append(i);
                }
                QCOMPARE(base.headerLinesQuoting(key), expected);
            }
            QCOMPARE(ScanItemIndex(base, pieces), plainScan(lines));
        }
    }

    // Pieces split only after whole line breaks, a CR LF included, however short the text.
    void piecesSplitAtLineStarts()
    {
        const QString text = u"Предмет 'a', Тип\r\n\r\nb\rмин.уровень 1\nc\r\n\n'x'\r"_s;
        const StaffBase whole = staffBaseFromText(text, 1);
        for (int pieces = 2; pieces <= 12; ++pieces) {
            const StaffBase split = staffBaseFromText(text, pieces);
            QCOMPARE(split.lineCount(), whole.lineCount());
            for (qsizetype i = 0; i < whole.lineCount(); ++i)
                QCOMPARE(split.line(i), whole.line(i));
            QCOMPARE(split.headerLines(), whole.headerLines());
            QCOMPARE(split.levelLines(), whole.levelLines());
            QCOMPARE(ScanItemIndex(split, pieces), ScanItemIndex(whole, 1));
        }
    }

    void loadFromFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"staff.hjt"_s);
        const QString text =
            u"<Treepad version 3.0>\r\n<node> 5P9i0s8y19Z\r\nПредмет 'щит', Тип предмета: "
            u"Обычный\r\n"
            "Вн Ва\r\nОценка: 1, 2\r\nмин.уровень 10\r\n<end node> 5P9i0s8y19Z\r\n"_s;
        writeFile(path, cp1251(text));
        const StaffBaseLoad load = LoadStaffBase(path);
        QVERIFY(!load.fileMissing);
        QCOMPARE(load.lines.lineCount(), 7);
        QCOMPARE(load.lines.line(2), u"Предмет 'щит', Тип предмета: Обычный"_s);
        QCOMPARE(load.index, ItemIndex({row(u"щит"_s, u"10"_s, u"Вн Ва"_s, u"1 2"_s)}));
        // Loading again gives the same.
        QCOMPARE(LoadStaffBase(path).index, load.index);
    }

    void missingAndUnreadableFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &path : {QString(), dir.filePath(u"nothing.hjt"_s)}) {
            const StaffBaseLoad load = LoadStaffBase(path);
            QVERIFY(load.fileMissing);
            QVERIFY(load.lines.isEmpty());
            QVERIFY(load.index.isEmpty());
        }
        QCOMPARE(baseMissingMessage(), u"файл базы не найден"_s);

        const QString empty = dir.filePath(u"empty.hjt"_s);
        writeFile(empty, QByteArray());
        const StaffBaseLoad load = LoadStaffBase(empty);
        QVERIFY(!load.fileMissing);
        QVERIFY(load.lines.isEmpty());
        QVERIFY(load.index.isEmpty());

        try {
            LoadStaffBase(dir.path());
            QFAIL("a folder loaded");
        } catch (const TarnError &e) {
            QVERIFY2(e.message().startsWith(u"Cannot open file \"%1\". "_s.arg(dir.path())),
                     qPrintable(e.message()));
        }
    }

    void badInputLoads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 7919) & 0xFF));
        QTest::newRow("binary") << binary;
        QTest::newRow("NUL bytes")
            << QByteArray("\xcf\xf0\xe5\xe4\xec\xe5\xf2 'a\0b', \xd2\xe8\xef\0\r\n\0", 22);
        QTest::newRow("odd-length UTF-16") << QByteArray("\xff\xfe\x1f\x04\x40", 5);
        QTest::newRow("invalid bytes after UTF-8 mark")
            << QByteArray("\xef\xbb\xbf\xff\xfe\xc0\r\n\x80");
        QTest::newRow("50 MB single line") << QByteArray(50 * 1024 * 1024, 'x');
    }
    void badInputLoads()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"odd.hjt"_s);
        writeFile(path, bytes);
        const StaffBaseLoad load = LoadStaffBase(path);
        QVERIFY(!load.fileMissing);
        QCOMPARE(load.lines.lineCount(), splitLines(decodeText(bytes).text).size());
    }
};

QTEST_GUILESS_MAIN(TestBase)
#include "tst_base.moc"
