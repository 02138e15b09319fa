#include "base/capturefile.h"
#include "base/identifypaste.h"
#include "base/lore.h"
#include "base/recorddiff.h"
#include "base/staffbase.h"
#include "cp1251.h"
#include "text/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kSword = {
    u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 9, 8, 4"_s,
    u"Оружейное умение: Длинные лезвия"_s,
    u"мин.уровень 12"_s,
    u"Модификаторы :"_s,
    u"попадание +3"_s,
};
const QStringList kSwordNew = {
    u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 9, 8, 5"_s,
    u"Оружейное умение: Длинные лезвия"_s,
    u"мин.уровень 12"_s,
    u"Модификаторы :"_s,
    u"попадание +4"_s,
};
const QStringList kHelmet = {
    u"Предмет 'шлем стража', Тип предмета: Броня"_s,
    u"Вы можете одеть это на голову."_s,
    u"мин.уровень 10"_s,
};
const QStringList kRing = {
    u"Предмет 'кольцо ветра', Тип предмета: Броня"_s,
    u"мин.уровень 20"_s,
};

IdentifiedRecord recordOf(const QStringList &lines)
{
    return {identifyHeaderName(lines.first()), lines};
}

QString crlf(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + u"\r\n"_s;
    return text;
}

QString itemNode(const QString &title, const QStringList &lines)
{
    return u"dt=Text\r\n<node>\r\n"_s + title + u"\r\n1\r\n"_s + crlf(lines)
        + u"<end node> 5P9i0s8y19Z\r\n"_s;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// Records of a cut, one line each record: its lines joined by " | ".
QStringList shown(const IdentifyPaste &paste)
{
    QStringList records;
    for (const IdentifiedRecord &record : paste.records)
        records.append(record.name + u": "_s + record.lines.join(u" | "_s));
    return records;
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(captureFileName.toString()); }

private slots:
    void init() { QFile::remove(path()); }

    void cutPaste_data()
    {
        QTest::addColumn<QString>("paste");
        QTest::addColumn<QStringList>("records");
        const QString header = u"Предмет 'длинный меч', Тип предмета: Оружие"_s;
        QTest::newRow("echo and prompt around, CR LF, trailing blanks")
            << u"123H 80M 400V Вых:СЮ> опознать меч\r\nВы узнали следующее:\r\n"_s + header
                + u"   \r\nВн  Ва  \r\nмин.уровень 12\t\r\n\r\n<123H 456M 789V>\r\n"_s
            << QStringList{u"длинный меч: "_s + header + u" | Вн  Ва | мин.уровень 12"_s};
        QTest::newRow("two records back to back, LF, ended by a prompt")
            << header
                + u"\nмин.уровень 12\nПредмет 'перо', Тип предмета: Обычный\nлёгкое\n"
                  u"123H 80M 400V Вых:СЮ>\nещё строка\n"_s
            << QStringList{u"длинный меч: "_s + header + u" | мин.уровень 12"_s,
                           u"перо: Предмет 'перо', Тип предмета: Обычный | лёгкое"_s};
        QTest::newRow("blank line ends a record, the next header starts one")
            << header
                + u"\r\nмин.уровень 12\r\n  \r\nчужой текст\r\nПредмет 'перо', Тип "
                  u"предмета: Обычный\r"_s
            << QStringList{u"длинный меч: "_s + header + u" | мин.уровень 12"_s,
                           u"перо: Предмет 'перо', Тип предмета: Обычный"_s};
        QTest::newRow("a header alone") << header << QStringList{u"длинный меч: "_s + header};
        QTest::newRow("a line naming an item inside a record is no header")
            << header + u"\r\nПредмет нельзя продать.\r\n"_s
            << QStringList{u"длинный меч: "_s + header + u" | Предмет нельзя продать."_s};
        QTest::newRow("a header not at the line start is not one")
            << u"  "_s + header + u"\r\nмин.уровень 12\r\n"_s << QStringList();
        QTest::newRow("no header")
            << u"123H 80M 400V Вых:СЮ> опознать меч\r\nУ вас нет этого.\r\n"_s << QStringList();
        QTest::newRow("empty") << QString() << QStringList();
    }
    void cutPaste()
    {
        QFETCH(QString, paste);
        QFETCH(QStringList, records);
        const IdentifyPaste cut = cutIdentifyPaste(paste);
        QCOMPARE(shown(cut), records);
        QCOMPARE(cut.reason.isEmpty(), !records.isEmpty());
    }

    void promptLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("prompt");
        QTest::newRow("in brackets") << u"<123H 456M 789V>"_s << true;
        QTest::newRow("with exits") << u"123H 80M 400V Вых:СЮ>"_s << true;
        QTest::newRow("with the command echo") << u"123H 80M 400V Вых:СЮ> опознать меч"_s << true;
        QTest::newRow("level line") << u"мин.уровень 12"_s << false;
        QTest::newRow("ratings") << u"Оценка: 9, 8"_s << false;
        QTest::newRow("number and letter without >") << u"2D6 урона"_s << false;
        QTest::newRow("digits without a letter") << u"<123 456>"_s << false;
    }
    void promptLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, prompt);
        QCOMPARE(isPromptLine(line), prompt);
    }

    /// A new capture file: TreePad's layout in Windows-1251 with CR LF, which the staff base
    /// reader reads as a base of its own.
    void newFileIsTreePad()
    {
        const CaptureResult result = captureRecord(path(), recordOf(kSword), {});
        QCOMPARE(result.outcome, CaptureResult::Outcome::Added);
        QCOMPARE(result.previousFrom, CaptureResult::Previous::None);
        const QString expected = u"<Treepad version 3.0>\r\ndt=Text\r\n<node>\r\nОпознанные "
                                 u"предметы\r\n0\r\n<end node> 5P9i0s8y19Z\r\n"_s
            + itemNode(u"длинный меч"_s, kSword);
        QCOMPARE(fileBytes(path()), cp1251(expected));
        QCOMPARE(result.fileText, expected);

        const StaffBaseLoad load = LoadStaffBase(path());
        QCOMPARE(load.index.size(), 1);
        QCOMPARE(load.index.row(0),
                 (ItemIndexRow{u"длинный меч"_s, u"12"_s, u"Вн Ва Сл"_s, u"9 8 4"_s}));
        QCOMPARE(CollectLoreLines(u"длинный меч"_s, load.lines), kSword);
    }

    /// The player edited the file in an outliner: a node of their own with LF line ends, the
    /// nodes reordered, a title renamed, a note above a record. An update replaces only the
    /// record's lines; a new item is appended; every other byte stays.
    void mergeKeepsThePlayersEdits()
    {
        captureRecord(path(), recordOf(kSword), {});
        captureRecord(path(), recordOf(kHelmet), {});
        const QString edited = u"<Treepad version 3.0>\r\ndt=Text\r\n<node>\r\nМоё\r\n0\r\n"
                               u"<end node> 5P9i0s8y19Z\r\n"_s
            + itemNode(u"шлем стража"_s, kHelmet)
            + u"dt=Text\n<node>\nзаметки\n1\nкупить «зелье» у торговца\n<end node> "
              u"5P9i0s8y19Z\n"_s
            + u"dt=Text\r\n<node>\r\nмой меч\r\n1\r\nвзят в крепости  \r\n"_s + crlf(kSword)
            + u"<end node> 5P9i0s8y19Z"_s;
        writeBytes(path(), cp1251(edited));

        const CaptureResult updated = captureRecord(path(), recordOf(kSwordNew), {});
        QCOMPARE(updated.outcome, CaptureResult::Outcome::Updated);
        QCOMPARE(updated.previousFrom, CaptureResult::Previous::CaptureFile);
        QCOMPARE(updated.previous, kSword);
        QString expected = edited;
        expected.replace(crlf(kSword), crlf(kSwordNew));
        QCOMPARE(fileBytes(path()), cp1251(expected));

        const CaptureResult added = captureRecord(path(), recordOf(kRing), {});
        QCOMPARE(added.outcome, CaptureResult::Outcome::Added);
        expected += u"\r\n"_s + itemNode(u"кольцо ветра"_s, kRing);
        QCOMPARE(fileBytes(path()), cp1251(expected));

        // Taken back one after the other: the file is as the player left it.
        undoCapture(path(), added.edit);
        undoCapture(path(), updated.edit);
        QCOMPARE(fileBytes(path()), cp1251(edited));
    }

    /// A file the player keeps in UTF-8 with a mark stays so, byte for byte where the capture
    /// does not write.
    void markedUtf8FileKeepsItsEncoding()
    {
        const QString own = u"<Treepad version 3.0>\r\ndt=Text\r\n<node>\r\n✓ моё\r\n0\r\n"
                            u"<end node> 5P9i0s8y19Z\r\n"_s;
        const QByteArray before = "\xEF\xBB\xBF" + own.toUtf8();
        writeBytes(path(), before);
        const QStringList starred = {u"Предмет 'звезда', Тип предмета: Обычный"_s, u"знак ★"_s};
        captureRecord(path(), recordOf(starred), {});
        QCOMPARE(fileBytes(path()), before + itemNode(u"звезда"_s, starred).toUtf8());
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("before"); ///< the file's bytes; empty: no file
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("told"); ///< in the message
        const QStringList star = {u"Предмет 'звезда', Тип предмета: Обычный"_s, u"знак ✓ горит"_s};
        QTest::newRow("a character Windows-1251 lacks, new file")
            << QByteArray() << star << u"«✓» (U+2713) из строки 2"_s;
        QTest::newRow("a character Windows-1251 lacks, existing file")
            << cp1251(newCaptureFileText()) << star << u"нет в кодировке Windows-1251"_s;
        QTest::newRow("a line that would end the node")
            << QByteArray()
            << QStringList{u"Предмет 'звезда', Тип предмета: Обычный"_s,
                           u"<end node> 5P9i0s8y19Z"_s}
            << u"<end node>"_s;
        QTest::newRow("not a TreePad file")
            << QByteArray("just text\r\n") << kSword << u"не файл TreePad"_s;
        QTest::newRow("bytes that would not come back the same")
            << QByteArray("\xEF\xBB\xBF<Treepad version 3.0>\r\n\xFF\r\n") << kSword
            << u"нельзя записать обратно"_s;
    }
    void refusals()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, record);
        QFETCH(QString, told);
        if (!before.isEmpty())
            writeBytes(path(), before);
        try {
            captureRecord(path(), recordOf(record), {});
            QFAIL("the capture was not refused");
        } catch (const TarnError &error) {
            QVERIFY2(error.message().contains(told), qPrintable(error.message()));
        }
        QCOMPARE(QFile::exists(path()), !before.isEmpty());
        QCOMPARE(fileBytes(path()), before);
    }

    /// The record the player had decides: the same record changes nothing, whether the
    /// capture file or the staff base holds it; lines differing only in trailing blanks are
    /// the same.
    void identicalRecordWritesNothing()
    {
        QStringList staffSword = kSword;
        staffSword[1] += u"  "_s;
        const CaptureResult fromStaff = captureRecord(path(), recordOf(kSword), staffSword);
        QCOMPARE(fromStaff.outcome, CaptureResult::Outcome::Identical);
        QCOMPARE(fromStaff.previousFrom, CaptureResult::Previous::StaffBase);
        QVERIFY(!QFile::exists(path()));

        const CaptureResult added = captureRecord(path(), recordOf(kSwordNew), kSword);
        QCOMPARE(added.outcome, CaptureResult::Outcome::Added);
        QCOMPARE(added.previousFrom, CaptureResult::Previous::StaffBase);
        QCOMPARE(added.previous, kSword);
        const QByteArray bytes = fileBytes(path());
        const CaptureResult again = captureRecord(path(), recordOf(kSwordNew), kSword);
        QCOMPARE(again.outcome, CaptureResult::Outcome::Identical);
        QCOMPARE(again.previousFrom, CaptureResult::Previous::CaptureFile);
        QCOMPARE(fileBytes(path()), bytes);
    }

    void undo()
    {
        // Undoing the capture that made the file removes the file.
        const CaptureResult first = captureRecord(path(), recordOf(kSword), {});
        QCOMPARE(undoCapture(path(), first.edit), QString());
        QVERIFY(!QFile::exists(path()));

        // A capture whose lines the player changed since cannot be taken back.
        const CaptureResult again = captureRecord(path(), recordOf(kSword), {});
        QString text = again.fileText;
        text.replace(u"попадание +3"_s, u"попадание +5"_s);
        writeBytes(path(), cp1251(text));
        QVERIFY_THROWS_EXCEPTION(TarnError, undoCapture(path(), again.edit));
        QCOMPARE(fileBytes(path()), cp1251(text));
    }

    void diff_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("kinds"); ///< one letter a line: = + - ~
        QTest::addColumn<QString>("summary");
        QTest::newRow("two lines changed") << kSword << kSwordNew << u"==~===~"_s
                                           << u"длинный меч обновлён: изменились 2 строки"_s;
        QTest::newRow("a line added, one removed")
            << QStringList{u"a"_s, u"b"_s, u"c"_s} << QStringList{u"a"_s, u"c"_s, u"d"_s}
            << u"=-=+"_s << u"длинный меч обновлён: добавлена 1 строка, удалена 1 строка"_s;
        QTest::newRow("five lines added")
            << QStringList{u"a"_s} << QStringList{u"a"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}
            << u"=+++++"_s << u"длинный меч обновлён: добавлено 5 строк"_s;
    }
    void diff()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, kinds);
        QFETCH(QString, summary);
        const RecordDiff diff = diffRecords(before, after);
        QString letters;
        for (const RecordLineChange &line : diff.lines)
            letters += u"=+-~"_s.at(int(line.kind));
        QCOMPARE(letters, kinds);
        CaptureResult result;
        result.outcome = CaptureResult::Outcome::Updated;
        result.previousFrom = CaptureResult::Previous::CaptureFile;
        result.name = u"длинный меч"_s;
        QCOMPARE(captureSummary(result, diff), summary);
    }

    /// The numbers that moved, better or worse by the comparison's rules: a higher modifier
    /// is better, a higher level worse.
    void diffNumbers()
    {
        QStringList after = kSwordNew;
        after[4] = u"мин.уровень 14"_s;
        const RecordDiff diff = diffRecords(kSword, after);
        const auto text = [](const std::optional<LoreNumber> &number) {
            return number ? loreNumberText(*number) : u"нет"_s;
        };
        QStringList moved;
        for (const NumberChange &change : diff.numbers)
            moved.append(u"%1 %2→%3 %4"_s.arg(change.number.property)
                             .arg(text(change.number.left))
                             .arg(text(change.number.right))
                             .arg(change.trend == NumberTrend::Better      ? u"лучше"_s
                                      : change.trend == NumberTrend::Worse ? u"хуже"_s
                                                                           : u"?"_s));
        QCOMPARE(moved,
                 (QStringList{u"оценка Сл 4→5 лучше"_s, u"мин.уровень 12→14 хуже"_s,
                              u"попадание +3→+4 лучше"_s}));
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
