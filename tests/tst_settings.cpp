#include "state/colournames.h"
#include "state/settings.h"
#include "text/textfile.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kNavy = 0x800000u;
constexpr quint32 kYellow = 0x00FFFFu;
constexpr quint32 kSilver = 0xC0C0C0u;

SettingsRecord sampleRecord()
{
    SettingsRecord r;
    r.basePath = u"C:/Игры/staff.hjt"_s;
    r.width = 908;
    r.height = 434;
    r.top = -8;
    r.left = -1600;
    r.prefix = u"переслать клан :реаг"_s;
    r.exchangeOperation = u"биржа хар"_s;
    return r;
}

} // namespace

Q_DECLARE_METATYPE(WindowBounds)

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void writeLines_data()
    {
        QTest::addColumn<std::optional<ColourPair>>("colours");
        QTest::addColumn<QStringList>("colourLines");
        QTest::newRow("no colours") << std::optional<ColourPair>() << QStringList();
        QTest::newRow("black background stores none")
            << std::optional<ColourPair>(ColourPair{0, kYellow}) << QStringList();
        QTest::newRow("navy and yellow") << std::optional<ColourPair>(ColourPair{kNavy, kYellow})
                                         << QStringList{u"clNavy"_s, u"clYellow"_s};
        QTest::newRow("text colour written even when still silver")
            << std::optional<ColourPair>(ColourPair{0xFF00000Fu, kSilver})
            << QStringList{u"clBtnFace"_s, u"clSilver"_s};
        QTest::newRow("unnamed colours in hex")
            << std::optional<ColourPair>(ColourPair{0x00123456u, 0xFF000063u})
            << QStringList{u"$00123456"_s, u"$FF000063"_s};
    }
    void writeLines()
    {
        QFETCH(std::optional<ColourPair>, colours);
        QFETCH(QStringList, colourLines);
        SettingsRecord record = sampleRecord();
        record.colours = colours;
        const QStringList lines = settingsLines(record);
        QCOMPARE(lines,
                 QStringList({u"C:/Игры/staff.hjt"_s, u"908"_s, u"434"_s, u"-8"_s, u"-1600"_s,
                              u"переслать клан :реаг"_s, u"биржа хар"_s})
                     + colourLines);

        // And back: everything read, the black-background pair dropped.
        const SettingsRead read = readSettings(lines);
        QCOMPARE(read.error, QString());
        QCOMPARE(read.fieldsRead, 8);
        if (colourLines.isEmpty())
            record.colours.reset();
        QCOMPARE(read.record, record);
    }

    void textFieldsStayOnTheirLines()
    {
        SettingsRecord record = sampleRecord();
        record.basePath = u"a\r\nb"_s;
        record.prefix = u"дать\n"_s;
        const QStringList lines = settingsLines(record);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[0], u"ab"_s);
        QCOMPARE(lines[5], u"дать"_s);
        QCOMPARE(
            splitLines(QString::fromUtf8(encodeLines(lines, TextEncoding::Utf8Bom).mid(3))).size(),
            7);
    }

    void read_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("fieldsRead");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("expected"); // the record as settingsLines of it

        const QStringList head{u"base.hjt"_s, u"800"_s,  u"400"_s,      u"10"_s,
                               u"20"_s,       u"дать"_s, u"биржа инф"_s};
        const QStringList headOut = head;

        QTest::newRow("colour names in any letter case")
            << head + QStringList{u"CLNAVY"_s, u"clyellow"_s} << 8 << QString()
            << headOut + QStringList{u"clNavy"_s, u"clYellow"_s};
        QTest::newRow("colours as $ hex and decimal")
            << head + QStringList{u"$00800000"_s, u"65535"_s} << 8 << QString()
            << headOut + QStringList{u"clNavy"_s, u"clYellow"_s};
        QTest::newRow("numbers in $ hex")
            << QStringList{u"b"_s, u"$320"_s, u"$1b2"_s, u"-$10"_s, u"0"_s, QString(), QString()}
            << 8 << QString()
            << QStringList{u"b"_s, u"800"_s, u"434"_s, u"-16"_s, u"0"_s, QString(), QString()};
        QTest::newRow("leading zeros, decimal and $ hex, read by value")
            << QStringList{u"b"_s,
                           u"0000000800"_s,
                           u"$000000320"_s,
                           u"-$0000000010"_s,
                           u"$00000000FFFFFFFF"_s,
                           QString(),
                           QString(),
                           u"$000800000"_s,
                           u"$00000000000FFFF"_s}
            << 8 << QString()
            << QStringList{u"b"_s,    u"800"_s,  u"800"_s,    u"-16"_s,     u"-1"_s,
                           QString(), QString(), u"clNavy"_s, u"clYellow"_s};
        QTest::newRow("$ hex past 32 bits")
            << QStringList{u"b"_s, u"800"_s, u"$100000000"_s} << 2
            << u"'$100000000' is not a valid integer value"_s
            << QStringList{u"b"_s, u"800"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("extreme 32-bit numbers")
            << QStringList{u"b"_s, u"2147483647"_s, u"-2147483648"_s, u"$7FFFFFFF"_s, u"1"_s} << 8
            << QString() << QStringList{u"b"_s, u"2147483647"_s, u"-2147483648"_s, u"2147483647"_s,
                                        u"1"_s, QString(),       QString()};
        QTest::newRow("only the base path")
            << QStringList{u"base.hjt"_s} << 1 << u"'' is not a valid integer value"_s
            << QStringList{u"base.hjt"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("empty file")
            << QStringList() << 1 << u"'' is not a valid integer value"_s
            << QStringList{QString(), u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("stops at the top edge, width and height kept")
            << QStringList{u"b"_s, u"700"_s, u"300"_s} << 3 << u"'' is not a valid integer value"_s
            << QStringList{u"b"_s, u"700"_s, u"300"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("numbers but no texts") << head.mid(0, 5) << 8 << QString()
                                              << head.mid(0, 5) + QStringList{QString(), QString()};
        QTest::newRow("huge number")
            << QStringList{u"b"_s, u"800"_s, u"99999999999999999999"_s, u"0"_s, u"0"_s} << 2
            << u"'99999999999999999999' is not a valid integer value"_s
            << QStringList{u"b"_s, u"800"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("just past 32 bits")
            << QStringList{u"b"_s, u"2147483648"_s} << 1
            << u"'2147483648' is not a valid integer value"_s
            << QStringList{u"b"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("trailing blank is not a number")
            << QStringList{u"b"_s, u"800 "_s} << 1 << u"'800 ' is not a valid integer value"_s
            << QStringList{u"b"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, QString(), QString()};
        QTest::newRow("empty line 7, a name on line 8: no colours")
            << head + QStringList{QString(), u"clYellow"_s} << 8 << QString() << headOut;
        QTest::newRow("bad background name")
            << head + QStringList{u"clNavi"_s, u"clYellow"_s} << 7
            << u"'clNavi' is not a valid integer value"_s << headOut;
        QTest::newRow("background without a text colour")
            << head + QStringList{u"clNavy"_s} << 7 << u"'' is not a valid integer value"_s
            << headOut;
        QTest::newRow("background before a bad text colour")
            << head + QStringList{u"clNavy"_s, u"nonsense"_s} << 7
            << u"'nonsense' is not a valid integer value"_s << headOut;
        QTest::newRow("lines beyond 9 ignored")
            << head + QStringList{u"clNavy"_s, u"clYellow"_s, u"junk"_s} << 8 << QString()
            << headOut + QStringList{u"clNavy"_s, u"clYellow"_s};
    }
    void read()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, fieldsRead);
        QFETCH(QString, error);
        QFETCH(QStringList, expected);
        const SettingsRead result = readSettings(lines);
        QCOMPARE(result.error, error);
        QCOMPARE(result.fieldsRead, fieldsRead);
        QCOMPARE(settingsLines(result.record), expected);
        QCOMPARE(result.has(SettingsField::BasePath), true);
        QCOMPARE(result.has(SettingsField::Colours), error.isEmpty());
        // Line 7's colour is kept once read, whatever line 8 holds.
        if (result.record.colours)
            QCOMPARE(result.background, result.record.colours->background);
        else if (QByteArrayView(QTest::currentDataTag()).startsWith("background "))
            QCOMPARE(result.background, kNavy);
        else
            QCOMPARE(result.background, std::nullopt);
    }

    void garbageFile()
    {
        QByteArray bytes(4096, Qt::Uninitialized);
        QRandomGenerator generator(5);
        for (char &b : bytes)
            b = char(generator.bounded(256));
        const SettingsRead result = readSettings(splitLines(decodeText(bytes).text));
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.error.endsWith(u"' is not a valid integer value"_s));
        QVERIFY(result.fieldsRead < 8);
    }

    void tenMegabyteFile()
    {
        // One line of ten million digits where the width belongs.
        const QByteArray bytes = "staff.hjt\r\n" + QByteArray(10'000'000, '7') + "\r\n400\r\n";
        const SettingsRead result = readSettings(splitLines(decodeText(bytes).text));
        QCOMPARE(result.fieldsRead, 1);
        QCOMPARE(result.record.basePath, u"staff.hjt"_s);
        // The quoted text is cut short so that the error box stays readable.
        QVERIFY(result.error.startsWith(u"'7777"_s));
        QVERIFY(result.error.size() < 300);
        QVERIFY(result.error.endsWith(u"…' is not a valid integer value"_s));
    }

    void fitWindow_data()
    {
        QTest::addColumn<WindowBounds>("wanted");
        QTest::addColumn<WindowBounds>("fitted");
        // Desktop: two screens side by side, 1920 x 1080 each; minimum size 200 x 150.
        QTest::newRow("inside") << WindowBounds{100, 50, 908, 434}
                                << WindowBounds{100, 50, 908, 434};
        QTest::newRow("partly left of and above the desktop, kept")
            << WindowBounds{-300, -20, 908, 434} << WindowBounds{-300, -20, 908, 434};
        QTest::newRow("partly on the second screen")
            << WindowBounds{3500, 900, 908, 434} << WindowBounds{3500, 900, 908, 434};
        QTest::newRow("huge size limited to the desktop")
            << WindowBounds{0, 0, 2147483647, 2147483647} << WindowBounds{0, 0, 3840, 1080};
        QTest::newRow("negative size raised to the minimum")
            << WindowBounds{10, 10, -5, 0} << WindowBounds{10, 10, 200, 150};
        QTest::newRow("wholly right of the desktop")
            << WindowBounds{2147483647, 10, 908, 434} << WindowBounds{0, 0, 908, 434};
        QTest::newRow("wholly above the desktop")
            << WindowBounds{10, -2147483647 - 1, 908, 434} << WindowBounds{0, 0, 908, 434};
        QTest::newRow("just touching is off")
            << WindowBounds{-908, 0, 908, 434} << WindowBounds{0, 0, 908, 434};
    }
    void fitWindow()
    {
        QFETCH(WindowBounds, wanted);
        QFETCH(WindowBounds, fitted);
        const WindowBounds result = fitWindowToDesktop(wanted, QRect(0, 0, 3840, 1080),
                                                       QSize(200, 150));
        QCOMPARE(result.left, fitted.left);
        QCOMPARE(result.top, fitted.top);
        QCOMPARE(result.width, fitted.width);
        QCOMPARE(result.height, fitted.height);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
