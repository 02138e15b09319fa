#include "packets/packets.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPackets : public QObject
{
    Q_OBJECT

private slots:
    void itemName_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"меч"_s << u"меч"_s;
        QTest::newRow("spaces become dots") << u"длинный меч"_s << u"длинный.меч"_s;
        QTest::newRow("square tail") << u"длинный меч [2]"_s << u"длинный.меч"_s;
        QTest::newRow("angle tail") << u"щит <хорошее>"_s << u"щит"_s;
        QTest::newRow("only one char before the bracket goes") << u"меч  [3]"_s << u"меч."_s;
        QTest::newRow("bracket at 1") << u"[x] меч"_s << QString();
        QTest::newRow("bracket at 2") << u"a[x]"_s << QString();
        QTest::newRow("bracket cut first, then angle") << u"x y <a> [b]"_s << u"x.y"_s;
        QTest::newRow("angle inside square tail is gone") << u"x [a <b>]"_s << u"x"_s;
        QTest::newRow("no blank before the bracket") << u"кольцо[отл]"_s << u"кольц"_s;
        QTest::newRow("numbered entry keeps its number") << u"12. шлем"_s << u"12..шлем"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void itemName()
    {
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QCOMPARE(PacketItemName(entry), name);
    }

    void prefixPacket_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("addAll");
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("example with 'все.'")
            << QStringList{u"длинный меч [2]"_s, u"щит <хорошее>"_s} << u"кзабр"_s << true
            << QString() << QStringList{u"кзабр все.длинный.меч"_s, u"кзабр все.щит"_s};
        QTest::newRow("plain join and postfix") << QStringList{u"меч"_s} << u"би ав"_s << false
                                                << u"5000"_s << QStringList{u"би ав меч 5000"_s};
        QTest::newRow("empty entries skipped")
            << QStringList{QString(), u"меч"_s, QString()} << u"дать"_s << false << QString()
            << QStringList{u"дать меч"_s};
        QTest::newRow("empty name still gives a line")
            << QStringList{u"[1]"_s, u"a[1]"_s} << u"дать"_s << true << QString()
            << QStringList{u"дать все."_s, u"дать все."_s};
        QTest::newRow("empty prefix, box clear")
            << QStringList{u"меч"_s} << QString() << false << QString() << QStringList{u" меч"_s};
        QTest::newRow("blank postfix is text") << QStringList{u"меч"_s} << u"дать"_s << false
                                               << u" "_s << QStringList{u"дать меч  "_s};
        QTest::newRow("empty list")
            << QStringList() << u"дать"_s << false << u";"_s << QStringList();
    }
    void prefixPacket()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, prefix);
        QFETCH(bool, addAll);
        QFETCH(QString, postfix);
        QFETCH(QStringList, lines);
        QCOMPARE(buildPrefixPacket(entries, prefix, addAll, postfix), lines);
    }

    void exchangePacket_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("postfix");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("example") << QStringList{u"12. меч"_s} << u"биржа хар"_s << u";"_s
                                 << QStringList{u"биржа хар 12 ;"_s};
        QTest::newRow("no postfix") << QStringList{u"3. щит"_s} << u"биржа куп"_s << QString()
                                    << QStringList{u"биржа куп 3"_s};
        QTest::newRow("stars removed, nothing trimmed")
            << QStringList{u"*7. меч"_s, u" 8 . щит"_s} << u"биржа инф"_s << QString()
            << QStringList{u"биржа инф 7"_s, u"биржа инф  8 "_s};
        QTest::newRow("any text before the dot")
            << QStringList{u"ab.c"_s} << u"x"_s << QString() << QStringList{u"x ab"_s};
        QTest::newRow("entries without a dot skipped")
            << QStringList{u"меч"_s, QString(), u"4. кольцо [отл]"_s} << u"биржа снять"_s
            << QString() << QStringList{u"биржа снять 4"_s};
        QTest::newRow("empty operation")
            << QStringList{u"5. меч"_s} << QString() << QString() << QStringList{u" 5"_s};
    }
    void exchangePacket()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, operation);
        QFETCH(QString, postfix);
        QFETCH(QStringList, lines);
        QCOMPARE(buildExchangePacket(entries, operation, postfix), lines);
    }

    void sortPacket_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("department");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("example, last entry first")
            << QStringList{u"меч"_s, u"щит"_s} << u"нычка"_s
            << QStringList{u"кзаб :нычка все.щит"_s, u"ксдать :нычка все.щит"_s,
                           u"кзаб :нычка все.меч"_s, u"ксдать :нычка все.меч"_s};
        QTest::newRow("names and empty entries")
            << QStringList{u"A b [1]"_s, QString(), u"C"_s} << QString()
            << QStringList{u"кзаб : все.C"_s, u"ксдать : все.C"_s, u"кзаб : все.A.b"_s,
                           u"ксдать : все.A.b"_s};
        QTest::newRow("empty list") << QStringList() << u"нычка"_s << QStringList();
    }
    void sortPacket()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, department);
        QFETCH(QStringList, lines);
        QCOMPARE(buildSortPacket(entries, department), lines);
    }

    void loreQuote()
    {
        const QStringList lore{u"Предмет \"меч\""_s, QString(), u"  "_s, u"  вес 5"_s};
        QCOMPARE(buildLoreQuotePacket(lore, LoreQuoteWord::Gg),
                 (QStringList{u"гг Предмет \"меч\""_s, u"гг   "_s, u"гг   вес 5"_s}));
        QCOMPARE(buildLoreQuotePacket(lore, LoreQuoteWord::Bolt).first(),
                 u"болт Предмет \"меч\""_s);
        QCOMPARE(buildLoreQuotePacket({QString()}, LoreQuoteWord::G), QStringList());
        const QStringList words{LoreQuoteWord::Gg.toString(), LoreQuoteWord::Sg.toString(),
                                LoreQuoteWord::G.toString(), LoreQuoteWord::Kg.toString(),
                                LoreQuoteWord::Bolt.toString()};
        QCOMPARE(words, (QStringList{u"гг"_s, u"сг"_s, u"г"_s, u"кг"_s, u"болт"_s}));
    }

    void clipboardText()
    {
        QCOMPARE(packetClipboardText({u"a"_s, u"b"_s}), u"a\r\nb\r\n\r\n"_s);
        QCOMPARE(packetClipboardText({}), u"\r\n"_s);
        QCOMPARE(packetClipboardText({QString()}), u"\r\n\r\n"_s);
        // Byte for byte, as the game client receives it.
        QCOMPARE(packetClipboardText(buildExchangePacket({u"12. меч"_s}, u"биржа хар"_s, u";"_s))
                     .toUtf8(),
                 QByteArray("\xd0\xb1\xd0\xb8\xd1\x80\xd0\xb6\xd0\xb0 \xd1\x85\xd0\xb0\xd1\x80"
                            " 12 ;\r\n\r\n"));
    }

    void presets()
    {
        const QStringList prefixes = packetPrefixPresets();
        QCOMPARE(prefixes.size(), 13);
        QCOMPARE(prefixes.first(), u"би ав"_s);
        QCOMPARE(prefixes.at(7), u"переслать клан :реаг"_s);
        QCOMPARE(prefixes.last(), u"снять"_s);
        QCOMPARE(exchangeOperationPresets(),
                 (QStringList{u"биржа инф"_s, u"биржа хар"_s, u"биржа куп"_s, u"биржа цена"_s,
                              u"биржа снять"_s}));
        QCOMPARE(packetPostfixPresets(), (QStringList{u"5000"_s, u";"_s}));
        QCOMPARE(exchangePostfixPresets(), QStringList{u";"_s});
    }

    void largeLists()
    {
        QStringList entries;
        for (int i = 0; i < 10000; ++i)
            entries.append(QString::number(i + 1) + u". меч ["_s + QString::number(i) + u']');
        const QStringList prefixLines = buildPrefixPacket(entries, u"дать"_s, false, QString());
        QCOMPARE(prefixLines.size(), 10000);
        QCOMPARE(prefixLines.last(), u"дать 10000..меч"_s);
        const QStringList sortLines = buildSortPacket(entries, u"x"_s);
        QCOMPARE(sortLines.size(), 20000);
        QCOMPARE(sortLines.first(), u"кзаб :x все.10000..меч"_s);
        const QStringList exchangeLines = buildExchangePacket(entries, u"биржа куп"_s, QString());
        QCOMPARE(exchangeLines.last(), u"биржа куп 10000"_s);
        const QString text = packetClipboardText(exchangeLines);
        QVERIFY(text.endsWith(u"биржа куп 10000\r\n\r\n"));
        QCOMPARE(text.count(u"\r\n"_s), 10001);
    }

    void longEntries()
    {
        const QString longName(100000, u'ж');
        const QString spaced = QString(50000, u'a') + u' ' + QString(49999, u'b');
        const QStringList entries{longName + u" [1]"_s, spaced, u"12"_s + longName + u".x"_s};
        const QStringList lines = buildPrefixPacket(entries, u"дать"_s, true, u";"_s);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], u"дать все."_s + longName + u" ;"_s);
        QCOMPARE(lines[1].size(), 9 + 100000 + 2);
        QCOMPARE(lines[1].at(9 + 50000), u'.');
        QCOMPARE(buildExchangePacket(entries, u"биржа инф"_s, QString()).last(),
                 u"биржа инф 12"_s + longName);
        const QStringList lore{longName};
        QCOMPARE(packetClipboardText(buildLoreQuotePacket(lore, LoreQuoteWord::Kg)),
                 u"кг "_s + longName + u"\r\n\r\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestPackets)
#include "tst_packets.moc"
