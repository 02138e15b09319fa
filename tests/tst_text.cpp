#include "cp1251.h"
#include "text/error.h"
#include "text/strops.h"
#include "text/textfile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestText : public QObject
{
    Q_OBJECT

private:
private slots:
    void positions_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("haystack");
        QTest::addColumn<qsizetype>("pos");
        QTest::newRow("first") << u"a"_s << u"abca"_s << qsizetype(1);
        QTest::newRow("later") << u"ca"_s << u"abca"_s << qsizetype(3);
        QTest::newRow("absent") << u"x"_s << u"abc"_s << qsizetype(0);
        QTest::newRow("empty needle") << QString() << u"abc"_s << qsizetype(0);
        QTest::newRow("case matters") << u"A"_s << u"abc"_s << qsizetype(0);
    }
    void positions()
    {
        QFETCH(QString, needle);
        QFETCH(QString, haystack);
        QFETCH(qsizetype, pos);
        QCOMPARE(posOf(needle, haystack), pos);
        QCOMPARE(containsText(haystack, needle), pos > 0);
    }

    void parts()
    {
        QCOMPARE(partFrom(u"abcdef"_s, 3), u"cdef"_s);
        QCOMPARE(partFrom(u"abc"_s, 0), u"abc"_s);
        QCOMPARE(partFrom(u"abc"_s, -5), u"abc"_s);
        QCOMPARE(partFrom(u"abc"_s, 4), QString());
        QCOMPARE(partFrom(u"abc"_s, 9), QString());
        QCOMPARE(firstChars(u"abc"_s, 0), QString());
        QCOMPARE(firstChars(u"abc"_s, -1), QString());
        QCOMPARE(firstChars(u"abc"_s, 2), u"ab"_s);
        QCOMPARE(firstChars(u"abc"_s, 7), u"abc"_s);
        QCOMPARE(removeEvery(u"a<>b<><>c"_s, u"<>"), u"abc"_s);
        QCOMPARE(replaceEvery(u"aaaa"_s, u"aa", u"a"), u"aa"_s); // one pass, non-overlapping
        QCOMPARE(replaceEvery(u"x"_s, u"", u"y"), u"x"_s);
    }

    void trimRemovesControlsButNotUnicodeSpace()
    {
        QCOMPARE(trimText(u"\t\x01 abc \r\n\x1f"_s), u"abc"_s);
        QCOMPARE(trimText(u"\u00a0abc\u2003"_s), u"\u00a0abc\u2003"_s);
        QCOMPARE(trimText(u"   "_s), QString());
    }

    void lowerCasesCyrillic()
    {
        QCOMPARE(lowerText(u"МЕЧ Ёж ABC ЂЃ ÄÖ"), u"меч ёж abc ђѓ äö"_s);
        QVERIFY(equalsIgnoringCase(u"Кольцо", u"кОЛЬЦО"));
        QVERIFY(!equalsIgnoringCase(u"Кольцо", u"кольца"));
    }

    void lineSplitting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("crlf") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lf and cr") << u"a\nb\rc"_s << QStringList{u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("blank inside") << u"a\r\n\r\nb"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("lone break") << u"\r\n"_s << QStringList{QString()};
        QTest::newRow("lf cr is two") << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("keeps spaces") << u"  a  "_s << QStringList{u"  a  "_s};
        QTest::newRow("one line, break at the end")
            << u"a\u2029b\r\n"_s << QStringList{u"a\u2029b"_s};
        QTest::newRow("one line, leading break") << u"\na"_s << QStringList{QString(), u"a"_s};
    }
    void lineSplitting()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(splitLines(QStringView(text)), lines);
        QString owned = text;
        owned.detach();
        QCOMPARE(splitLines(std::move(owned)), lines); // the text handed over whole
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("encoding");
        const QString ru = u"Предмет 'меч'"_s;
        QTest::newRow("ansi 1251") << cp1251(ru) << ru << int(TextEncoding::Ansi);
        QTest::newRow("ascii is ansi") << QByteArray("abc") << u"abc"_s << int(TextEncoding::Ansi);
        QTest::newRow("utf8 no mark") << ru.toUtf8() << ru << int(TextEncoding::Utf8);
        QTest::newRow("utf8 mark")
            << (QByteArray("\xEF\xBB\xBF") + ru.toUtf8()) << ru << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf16le") << (QByteArray("\xFF\xFE")
                                     + QStringEncoder(QStringEncoder::Utf16LE).encode(ru))
                                 << ru << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16be") << (QByteArray("\xFE\xFF")
                                     + QStringEncoder(QStringEncoder::Utf16BE).encode(ru))
                                 << ru << int(TextEncoding::Utf16BeBom);
        QTest::newRow("truncated utf8 is ansi")
            << QByteArray("a\xD0") << u"aР"_s << int(TextEncoding::Ansi);
        QTest::newRow("overlong is ansi")
            << QByteArray("\xC0\xAF") << u"АЇ"_s << int(TextEncoding::Ansi);
        const QString ab = u"ab"_s;
        const QString replaced(QChar::ReplacementCharacter);
        QTest::newRow("utf8 mark, bad byte inside")
            << QByteArray("\xEF\xBB\xBF"
                          "a\xFF"
                          "b")
            << u"a"_s + replaced + u"b"_s << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf8 mark, cut short at the end")
            << QByteArray("\xEF\xBB\xBF"
                          "ab\xEE")
            << ab + replaced << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf16le mark, odd last byte")
            << QByteArray("\xFF\xFE"
                          "a\0b\0c",
                          7)
            << ab + replaced << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16le mark and one byte") << QByteArray("\xFF\xFE"
                                                                 "a")
                                                   << replaced << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16be mark and one byte") << QByteArray("\xFE\xFF"
                                                                 "a")
                                                   << replaced << int(TextEncoding::Utf16BeBom);
        QTest::newRow("utf16le mark, lone low surrogate")
            << QByteArray("\xFF\xFE"
                          "a\0\xFF\xDF"
                          "b\0",
                          8)
            << u"a"_s + replaced + u"b"_s << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16be mark, high surrogate at the end")
            << QByteArray("\xFE\xFF"
                          "\0a\xD8\x3D",
                          6)
            << u"a"_s + replaced << int(TextEncoding::Utf16BeBom);
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, encoding);
        const DecodedText decoded = decodeText(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(int(decoded.encoding), encoding);
    }

    // Every remembered encoding writes back byte for byte what it read, CR LF after each line.
    void roundTrip_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("ansi") << int(TextEncoding::Ansi);
        QTest::newRow("utf8") << int(TextEncoding::Utf8);
        QTest::newRow("utf8 mark") << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf16le") << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16be") << int(TextEncoding::Utf16BeBom);
    }
    void roundTrip()
    {
        QFETCH(int, encoding);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        const QStringList lines{u"12. шлем"_s, QString(), u"кольцо [отл]"_s};
        QCOMPARE(int(writeTextFile(path, lines, TextEncoding(encoding))), encoding);
        const TextFileLines back = readTextFile(path);
        QCOMPARE(back.lines, lines);
        QCOMPARE(int(back.encoding), encoding);
    }

    void ansiWritesCrLfWithoutMark()
    {
        const QByteArray bytes = encodeLines({u"меч"_s, u"a"_s}, TextEncoding::Ansi);
        QCOMPARE(bytes, cp1251(u"меч"_s) + "\r\na\r\n");
        QCOMPARE(encodeLines({}, TextEncoding::Utf8Bom), QByteArray("\xEF\xBB\xBF"));
    }

    // Every byte reads as Windows-1251 has it, and every character of the code page is
    // written as its byte, whatever code page the system itself has.
    void ansiCodePageIsWindows1251()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray byte(1, char(b));
            QCOMPARE(decodeText(byte).text, fromCp1251(byte));
        }
        QByteArray printable;
        for (int b = 0x20; b < 256; ++b)
            printable.append(char(b));
        const QString text = fromCp1251(printable);
        TextEncoding used = TextEncoding::Utf8Bom;
        QCOMPARE(encodeLines({text}, TextEncoding::Ansi, &used), printable + "\r\n");
        QCOMPARE(int(used), int(TextEncoding::Ansi));
    }

    // A character outside Windows-1251 must not become "?": the file turns UTF-8 with a mark.
    void unrepresentableAnsiBecomesUtf8WithMark()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        const QStringList lines{u"меч"_s, u"日本 ☃"_s};
        QCOMPARE(writeTextFile(path, lines, TextEncoding::Ansi), TextEncoding::Utf8Bom);
        const TextFileLines back = readTextFile(path);
        QCOMPARE(back.lines, lines);
        QCOMPARE(back.encoding, TextEncoding::Utf8Bom);
    }

    // Texts whose bytes in the remembered encoding would read back as other text: ANSI bytes
    // that look like a mark or like UTF-8 go to UTF-8 with a mark, and a U+FEFF that starts
    // the text stays a character behind the file's own mark.
    void savedTextReadsBackUnchanged_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<int>("written");
        const int ansi = int(TextEncoding::Ansi);
        const int utf8Mark = int(TextEncoding::Utf8Bom);
        const QString feff = QString(QChar(0xFEFF)) + u"шлем"_s;
        QTest::newRow("ansi like utf16le mark") << ansi << u"яюшлем"_s << utf8Mark;
        QTest::newRow("ansi like utf16be mark") << ansi << u"юяшлем"_s << utf8Mark;
        QTest::newRow("ansi like utf8 mark") << ansi << u"п»їшлем"_s << utf8Mark;
        QTest::newRow("ansi like utf8") << ansi << u"Сё"_s << utf8Mark;
        QTest::newRow("feff utf8 mark") << utf8Mark << feff << utf8Mark;
        QTest::newRow("feff utf16le")
            << int(TextEncoding::Utf16LeBom) << feff << int(TextEncoding::Utf16LeBom);
        QTest::newRow("feff utf16be")
            << int(TextEncoding::Utf16BeBom) << feff << int(TextEncoding::Utf16BeBom);
        QTest::newRow("feff ansi") << ansi << feff << utf8Mark;
    }
    void savedTextReadsBackUnchanged()
    {
        QFETCH(int, encoding);
        QFETCH(QString, firstLine);
        QFETCH(int, written);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        const QStringList lines{firstLine, u"12. ring"_s};
        QCOMPARE(int(writeTextFile(path, lines, TextEncoding(encoding))), written);
        const TextFileLines back = readTextFile(path);
        QCOMPARE(back.lines, lines);
        QCOMPARE(int(back.encoding), written);
    }

    /// A surrogate without its partner cannot be written in any encoding: it becomes U+FFFD,
    /// the Unicode substitute, in the remembered Unicode encoding; an ANSI list goes to UTF-8
    /// with a mark, as for any character the code page lacks. A whole pair is kept.
    void loneSurrogateIsWrittenAsReplacement_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("written");
        const int utf8Mark = int(TextEncoding::Utf8Bom);
        QTest::newRow("utf8 mark") << utf8Mark << utf8Mark;
        QTest::newRow("utf8") << int(TextEncoding::Utf8) << int(TextEncoding::Utf8);
        QTest::newRow("utf16le") << int(TextEncoding::Utf16LeBom) << int(TextEncoding::Utf16LeBom);
        QTest::newRow("utf16be") << int(TextEncoding::Utf16BeBom) << int(TextEncoding::Utf16BeBom);
        QTest::newRow("ansi") << int(TextEncoding::Ansi) << utf8Mark;
    }
    void loneSurrogateIsWrittenAsReplacement()
    {
        QFETCH(int, encoding);
        QFETCH(int, written);
        const QChar replaced = QChar::ReplacementCharacter;
        const QString pair = QString::fromUcs4(U"\U0001F5E1");
        const QStringList lines{u"меч"_s + QChar(0xD800) + u"b"_s, u"щит"_s + QChar(0xDC00),
                                pair + u" кинжал"_s};
        const QStringList expected{u"меч"_s + replaced + u"b"_s, u"щит"_s + replaced,
                                   pair + u" кинжал"_s};
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        QCOMPARE(int(writeTextFile(path, lines, TextEncoding(encoding))), written);
        const TextFileLines back = readTextFile(path);
        QCOMPARE(back.lines, expected);
        QCOMPARE(int(back.encoding), written);
        QVERIFY(!readFileBytes(path).contains('?'));
    }

    void failuresCarryNameAndReason()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(u"nope.txt"_s);
        try {
            readTextFile(missing);
            QFAIL("no error");
        } catch (const TarnError &e) {
            QVERIFY(e.message().startsWith(u"Cannot open file \"%1\". "_s.arg(missing)));
            QVERIFY(e.message().size() > missing.size() + 21);
        }
        try {
            writeTextFile(dir.path(), {u"a"_s}, TextEncoding::Ansi); // a folder
            QFAIL("no error");
        } catch (const TarnError &e) {
            QVERIFY(e.message().startsWith(u"Cannot create file \"%1\". "_s.arg(dir.path())));
        }
        QVERIFY(!fileExists(dir.path()));
        QVERIFY(!fileExists(QString()));
        QCOMPARE(notValidIntegerMessage(u"x"_s), u"'x' is not a valid integer value"_s);
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
