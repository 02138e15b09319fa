// The fast paths of loading and searching against the plain rules they stand in for: folding
// case while comparing instead of lower-casing, matching eight places at a time, decoding by a
// byte table, sixteen bytes at a time and piece by piece, the scan of a base's bytes as it is
// read, the marker and record tables of the staff base, and the property filter that reads
// only the listed items' records.

#include "base/search.h"
#include "base/staffbase.h"
#include "cp1251.h"
#include "text/error.h"
#include "text/strops.h"
#include "text/textfile.h"

#include "randombase.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// Characters whose lower case is worth testing: ASCII, the Russian alphabet, Ё and the
/// other Cyrillic capitals the table maps by offset, Latin-1 and Greek letters, a surrogate
/// pair, line breaks and blanks.
const QString kAlphabet = u"aAzZ09 .'\r\nабвгдАБВГДёЁяЯѐЀџЏàÀσΣ"_s
    + QString::fromUtf16(u"\U0001F600");

QString randomText(QRandomGenerator &rng, int maxLength)
{
    QString s;
    const int n = rng.bounded(maxLength + 1);
    for (int k = 0; k < n; ++k)
        s += kAlphabet.at(rng.bounded(int(kAlphabet.size())));
    return s;
}

/// A random change of letter case, character by character.
QString shuffleCase(QRandomGenerator &rng, const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        c = rng.bounded(2) ? c.toUpper() : c.toLower();
    return out;
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

/// The record scan as the rule is written: current name per line, a linear ListedNames test.
QStringList plainFilter(const QStringList &lines, const QString &phrase, const QStringList &listed)
{
    QStringList names;
    QString current;
    const QString p = lowerText(phrase);
    for (const QString &line : lines) {
        if (containsText(line, u"Предмет"))
            current = HeaderItemName(line);
        if (containsText(line, u"<end node>"))
            current.clear();
        if (current.isEmpty() || !containsText(lowerText(line), p))
            continue;
        const auto equal = [&](const QString &n) { return equalsIgnoringCase(n, current); };
        if (std::any_of(listed.cbegin(), listed.cend(), equal)
            && std::none_of(names.cbegin(), names.cend(), equal))
            names.append(current);
    }
    return names;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestFastPaths : public QObject
{
    Q_OBJECT

private slots:
    void foldedMatchingAgreesWithLowerCasing()
    {
        QRandomGenerator rng(7);
        for (int round = 0; round < 3000; ++round) {
            const QString text = randomText(rng, 40);
            const QString needle = lowerText(randomText(rng, 4));
            const qsizetype from = rng.bounded(int(text.size()) + 2) - 1;
            const qsizetype expected = needle.isEmpty()
                ? -1
                : lowerText(text).indexOf(needle, std::max<qsizetype>(from, 0));
            QCOMPARE(CaseFoldedMatcher(needle).indexIn(text, from), expected);

            const QString other = rng.bounded(2) ? shuffleCase(rng, text) : randomText(rng, 40);
            const bool equal = equalsIgnoringCase(text, other);
            QCOMPARE(equal, caseFoldKey(text) == caseFoldKey(other));
            if (equal)
                QCOMPARE(qHash(CaseFoldedView{text}), qHash(CaseFoldedView{other}));
        }
    }

    void exactMatchingAgreesWithIndexOf()
    {
        QRandomGenerator rng(13);
        for (int round = 0; round < 3000; ++round) {
            const QString text = randomText(rng, 60);
            // Needles cut from the text (so that many are found) and made up.
            const qsizetype at = rng.bounded(int(text.size()) + 1);
            const QString needle = rng.bounded(2) ? text.mid(at, rng.bounded(6))
                                                  : randomText(rng, 4);
            const qsizetype from = rng.bounded(int(text.size()) + 2) - 1;
            const qsizetype expected = needle.isEmpty()
                ? -1
                : text.indexOf(needle, std::max<qsizetype>(from, 0), Qt::CaseSensitive);
            QCOMPARE(ExactMatcher(needle).indexIn(text, from), expected);
        }
    }

    void tableDecodingAgreesWithTheCodePage()
    {
        QByteArray every(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            every[b] = char(b);
        QRandomGenerator rng(11);
        for (int round = 0; round < 50; ++round) {
            QByteArray bytes = every;
            for (int k = 0; k < 200; ++k)
                bytes.append(char(rng.bounded(256)));
            std::shuffle(bytes.begin(), bytes.end(), rng);
            bytes.prepend("\xC0\xC1"); // never UTF-8: the ANSI rule applies
            const DecodedText decoded = decodeText(bytes);
            QCOMPARE(decoded.encoding, TextEncoding::Ansi);
            QCOMPARE(decoded.text, fromCp1251(bytes));
        }
        // Text as a base holds it: long runs of ASCII and Russian letters, which decode many
        // bytes at once, now and then one of the other bytes (Ё, ё, signs).
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes("\xC0\xC1");
            const int n = rng.bounded(400);
            for (int k = 0; k < n; ++k) {
                const int kind = rng.bounded(40);
                bytes.append(char(kind == 0       ? 0x80 + rng.bounded(0x40)
                                      : kind < 20 ? rng.bounded(0x80)
                                                  : 0xC0 + rng.bounded(0x40)));
            }
            QCOMPARE(decodeText(bytes).text, fromCp1251(bytes));
        }
    }

    void pieceByPieceReadingAgreesWithWholeReading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // "Предмет 'меч'" in Windows-1251
        const QByteArray cyrillic("\xCF\xF0\xE5\xE4\xEC\xE5\xF2 '\xEC\xE5\xF7'\r\n");
        const QByteArray megabyteOfAscii(3 << 19, 'a');
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("ansi, small") << cyrillic;
        QTest::newRow("ansi, many pieces") << cyrillic.repeated(300000);
        QTest::newRow("ascii first piece, then ansi") << megabyteOfAscii + cyrillic;
        QTest::newRow("utf-8, many pieces")
            << QString(u"Предмет 'меч'\r\n"_s).toUtf8().repeated(200000);
        QTest::newRow("utf-8 broken after the first piece")
            << QString(u"Предмет\r\n"_s).toUtf8().repeated(150000) + cyrillic;
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF") + cyrillic.repeated(100000);
        QTest::newRow("utf-16 mark") << QByteArray("\xFF\xFE"
                                                   "a\0b\0",
                                                   6);
        QTest::newRow("ansi cut at a piece border")
            << QByteArray((1 << 20) - 1, 'a') + "\xD0" + cyrillic;
    }

    void pieceByPieceReadingAgreesWithWholeReading()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"base.hjt"_s);
        writeFile(path, bytes);
        const DecodedText whole = decodeText(readFileBytes(path));
        const DecodedText pieces = readDecodedFile(path);
        QCOMPARE(pieces.encoding, whole.encoding);
        QCOMPARE(pieces.text, whole.text);
        QVERIFY_THROWS_EXCEPTION(TarnError, readDecodedFile(dir.filePath(u"missing.hjt"_s)));
    }

    /// The level lines, the record ends and the name look-up of the staff base against a
    /// line-by-line reading.
    void baseTablesAgreeWithPlainReading()
    {
        QRandomGenerator rng(5);
        for (quint32 seed = 1; seed <= 200; ++seed) {
            const QString text = randombase::randomBaseText(seed, int(seed % 40));
            const QStringList lines = splitLines(text);
            const StaffBase base = staffBaseFromText(text);
            QCOMPARE(base.levelLines(), plainLinesContaining(lines, u"мин.уровень"_s));
            const QList<qsizetype> &headers = base.headerLines();
            for (qsizetype k = 0; k < headers.size(); ++k) {
                qsizetype stop = headers[k];
                if (!containsText(lines[stop], u"<end node>")) {
                    do
                        ++stop;
                    while (stop < lines.size() && !containsText(lines[stop], u"Предмет")
                           && !containsText(lines[stop], u"<end node>"));
                }
                QCOMPARE(base.recordStop(k), stop);
            }
            for (qsizetype k = 0; k < headers.size(); ++k) {
                const QString name = shuffleCase(rng, HeaderItemName(lines[headers[k]]));
                QList<qsizetype> expected;
                for (qsizetype j = 0; j < headers.size(); ++j) {
                    if (equalsIgnoringCase(HeaderItemName(lines[headers[j]]), name))
                        expected.append(j);
                }
                QCOMPARE(base.headersNaming(name), expected);
            }
        }
    }

    /// A base read as its pieces are decoded, scanned on the bytes of each piece, against the
    /// scan of its whole decoded text: pieces of every size, so that line breaks, CR LF pairs
    /// and markers fall on piece borders.
    void pieceScanAgreesWithTextScan()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"staff.hjt"_s);
        const QList<qint64> pieceSizes = {1, 7, 16, 17, 33, 1000, qint64(1) << 20};
        for (quint32 seed = 1; seed <= 60; ++seed) {
            // A first line that is not UTF-8, so the ANSI reading starts at the first piece.
            const QString text = u"я\r\n"_s + randombase::randomBaseText(seed, int(seed % 40));
            const QByteArray bytes = cp1251(text);
            writeFile(path, bytes);
            const StaffBase whole = staffBaseFromText(decodeText(bytes).text, 1);
            for (qint64 pieceBytes : pieceSizes) {
                const StaffBase read = readStaffBaseFile(path, pieceBytes);
                QCOMPARE(read.text(), whole.text());
                QCOMPARE(read.lineCount(), whole.lineCount());
                for (qsizetype i = 0; i < whole.lineCount(); ++i)
                    QCOMPARE(read.line(i), whole.line(i));
                QCOMPARE(read.headerLines(), whole.headerLines());
                QCOMPARE(read.endLines(), whole.endLines());
                QCOMPARE(read.levelLines(), whole.levelLines());
                for (qsizetype k = 0; k < whole.headerLines().size(); ++k) {
                    QCOMPARE(read.recordStop(k), whole.recordStop(k));
                    const QString name = HeaderItemName(whole.line(whole.headerLines()[k]));
                    QCOMPARE(read.headersNaming(name), whole.headersNaming(name));
                    QCOMPARE(read.headerLinesQuoting(name), whole.headerLinesQuoting(name));
                }
                QCOMPARE(ScanItemIndex(read).rows(), ScanItemIndex(whole).rows());
            }
        }
    }

    /// The filter reads only the listed items' records; it must find what the record scan
    /// finds with every name of the base in play: listed in other letter case, listed twice,
    /// empty, or not in the base at all.
    void filterAgreesWithRecordScan()
    {
        QRandomGenerator rng(3);
        const QStringList phrases = {u"на тело"_s,      u"НА ТЕЛО"_s,     u"'"_s,
                                     u"Тип предмета"_s, u"мин.уровень"_s, u"е"_s,
                                     u"end node"_s,     u"+2"_s};
        for (quint32 seed = 1; seed <= 200; ++seed) {
            const QString text = randombase::randomBaseText(seed, int(seed % 40));
            const QStringList lines = splitLines(text);
            const StaffBase base = staffBaseFromText(text);
            QStringList listed;
            for (const QString &line : lines) {
                if (containsText(line, u"Предмет") && rng.bounded(3) > 0)
                    listed.append(shuffleCase(rng, HeaderItemName(line)));
            }
            if (!listed.isEmpty())
                listed.append(listed.first());
            listed << QString() << u"нет в базе"_s;
            std::shuffle(listed.begin(), listed.end(), rng);
            for (const QString &phrase : phrases) {
                QCOMPARE(FindItemsByPhrase(base, phrase, AllowedNames::fromNames(listed)),
                         plainFilter(lines, phrase, listed));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFastPaths)
#include "tst_fastpaths.moc"
