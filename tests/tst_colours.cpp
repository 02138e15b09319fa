#include "state/colournames.h"
#include "text/error.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestColours : public QObject
{
    Q_OBJECT

private slots:
    void table()
    {
        const QList<NamedColour> &all = colourTable();
        QCOMPARE(all.size(), 52);
        QCOMPARE(all.first().identifier, u"clBlack"_s);
        QCOMPARE(all.at(15).identifier, u"clWhite"_s);
        QCOMPARE(all.at(19).identifier, u"clMedGray"_s);
        QCOMPARE(all.at(20).identifier, u"clActiveBorder"_s);
        QCOMPARE(all.last().identifier, u"clWindowText"_s);
        QStringList names;
        for (const NamedColour &c : all) {
            QVERIFY2(!names.contains(c.identifier), qPrintable(c.identifier));
            names.append(c.identifier);
        }

        const QList<NamedColour> offered = pickerColours();
        QCOMPARE(offered.size(), 50);
        for (const NamedColour &c : offered)
            QVERIFY(c.identifier != u"clNone"_s && c.identifier != u"clDefault"_s);
        QCOMPARE(offered.at(29).identifier, u"clGradientActiveCaption"_s);
    }

    void values_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<quint32>("value");
        QTest::newRow("black") << u"clBlack"_s << 0x000000u;
        QTest::newRow("maroon is red in the low byte") << u"clMaroon"_s << 0x000080u;
        QTest::newRow("navy is blue in the third byte") << u"clNavy"_s << 0x800000u;
        QTest::newRow("silver") << u"clSilver"_s << 0xC0C0C0u;
        QTest::newRow("sky blue") << u"clSkyBlue"_s << 0xF0CAA6u;
        QTest::newRow("cream") << u"clCream"_s << 0xF0FBFFu;
        QTest::newRow("medium gray") << u"clMedGray"_s << 0xA4A0A0u;
        QTest::newRow("scroll bar, index 0") << u"clScrollBar"_s << 0xFF000000u;
        QTest::newRow("button face") << u"clBtnFace"_s << 0xFF00000Fu;
        QTest::newRow("menu bar") << u"clMenuBar"_s << 0xFF00001Eu;
        QTest::newRow("none") << u"clNone"_s << 0x1FFFFFFFu;
        QTest::newRow("default") << u"clDefault"_s << 0x20000000u;
    }
    void values()
    {
        QFETCH(QString, identifier);
        QFETCH(quint32, value);
        QCOMPARE(colourFromName(identifier), value);
        QCOMPARE(colourToName(value), identifier);
    }

    void everyIdentifierRoundTrips()
    {
        for (const NamedColour &c : colourTable()) {
            QCOMPARE(colourToName(c.value), c.identifier);
            QCOMPARE(colourFromName(c.identifier.toUpper()), c.value);
            QCOMPARE(colourFromName(c.identifier.toLower()), c.value);
        }
    }

    void unnamedValues()
    {
        QCOMPARE(colourToName(0x00123456u), u"$00123456"_s);
        QCOMPARE(colourToName(0x00ABCDEFu), u"$00ABCDEF"_s);
        QCOMPARE(colourToName(0xFF000063u), u"$FF000063"_s);
        QCOMPARE(colourFromName(u"$00ABCDEF"_s), 0x00ABCDEFu);
        QCOMPARE(colourFromName(u"$00abcdef"_s), 0x00ABCDEFu);
        QCOMPARE(colourFromName(u"$FF000063"_s), 0xFF000063u);
        QCOMPARE(colourFromName(u"$000800000"_s), 0x800000u);
        QCOMPARE(colourFromName(u"255"_s), 0xFFu);
        QCOMPARE(colourFromName(u"-1"_s), 0xFFFFFFFFu);
    }

    void badNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("misspelt") << u"clBlak"_s;
        QTest::newRow("hash form") << u"#FF0000"_s;
        QTest::newRow("hex value past 32 bits") << u"$123456789"_s;
        QTest::newRow("long s is not s") << u"clſilver"_s;
        QTest::newRow("Kelvin sign is not k") << u"clBlac\u212A"_s;
        QTest::newRow("trailing blank") << u"clRed "_s;
    }
    void badNames()
    {
        QFETCH(QString, text);
        try {
            colourFromName(text);
            QFAIL("no error");
        } catch (const TarnError &e) {
            QCOMPARE(e.message(), u"'"_s + text + u"' is not a valid integer value"_s);
        }
    }
};

QTEST_GUILESS_MAIN(TestColours)
#include "tst_colours.moc"
