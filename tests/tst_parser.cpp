#include "list/parser.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

class TestParser : public QObject
{
    Q_OBJECT

private slots:
    // One line pasted alone into an empty list.
    void singleLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("names");
        const auto one = [](const QString &s) { return QStringList{s}; };

        QTest::newRow("count marks and empty brackets go")
            << u"  длинный меч (3) [2]"_s << one(u"длинный меч"_s) << one(u"длинный меч"_s);
        QTest::newRow("glow marker with its blank")
            << u"кольцо ...светится"_s << one(u"кольцо"_s) << one(u"кольцо"_s);
        QTest::newRow("plural glow marker")
            << u"перчатки ...светятся"_s << one(u"перчатки"_s) << one(u"перчатки"_s);
        QTest::newRow("leading tag cut with bracket tail")
            << u"<на правой руке>   щит [отл]"_s << one(u"щит"_s) << one(u"щит"_s);
        QTest::newRow("numbered line")
            << u"12. (5 д.) шлем [3]"_s << one(u"12. шлем"_s) << one(u"шлем"_s);
        QTest::newRow("colon and two blanks")
            << u"Склад:  топор"_s << one(u"топор"_s) << one(u"топор"_s);
        QTest::newRow("colon and one blank loses a letter")
            << u"Склад: топор"_s << one(u"опор"_s) << one(u"опор"_s);
        QTest::newRow("line ending in colon is empty")
            << u"Склад:"_s << one(QString()) << one(QString());
        QTest::newRow("short tag cut at the angle bracket")
            << u"топор <>"_s << one(u"топор"_s) << one(u"топор"_s);
        QTest::newRow("long trailing tag wipes the line")
            << u"топор <магия>"_s << one(QString()) << one(QString());
        QTest::newRow("bracket tail kept without a tag")
            << u"кольцо [отл]"_s << one(u"кольцо [отл]"_s) << one(u"кольцо [отл]"_s);
        QTest::newRow("unlisted marker dots make it numbered")
            << u"меч ...гудит"_s << one(u"меч . меч ...гудит"_s) << one(u"меч ...гудит"_s);
        QTest::newRow("glow marker without its blank stays and numbers the line")
            << u"кольцо...светится"_s << one(u"кольцо. кольцо...светится"_s)
            << one(u"кольцо...светится"_s);
        QTest::newRow("leading blanks before the marker lose it")
            << u"  ...светится"_s << one(QString()) << one(QString());
        QTest::newRow("digits of a bracket go, the pair after")
            << u"шлем [5]"_s << one(u"шлем"_s) << one(u"шлем"_s);
        QTest::newRow("brackets with letters stay")
            << u"шлем [отл]!"_s << one(u"шлем [отл]"_s) << one(u"шлем [отл]"_s);
        QTest::newRow("star removed from plain line")
            << u"*меч*"_s << one(u"меч"_s) << one(u"меч"_s);
        QTest::newRow("numbered name keeps star and marker")
            << u"3. *меч ...светится"_s << one(u"3. *меч ...светится"_s)
            << one(u"*меч ...светится"_s);
        QTest::newRow("price keeps digits and numbers the line")
            << u"меч 1.5"_s << one(u"меч 1. меч ."_s) << one(u"меч ."_s);
        QTest::newRow("numbered name starting with a dot")
            << u"7) .кинжал"_s << one(u"7) . кинжал"_s) << one(u"кинжал"_s);
        QTest::newRow("numbered line with empty name")
            << u"5."_s << one(u"5. "_s) << one(QString());
        QTest::newRow("quotes and apostrophes leave the numbered name")
            << u"1. \"меч'+\" [2]"_s << one(u"1. меч"_s) << one(u"меч"_s);
        QTest::newRow("tabs and control characters trimmed")
            << u"\t\x01щит\x02\t"_s << one(u"щит"_s) << one(u"щит"_s);
        QTest::newRow("blank line gives an empty entry")
            << u"   "_s << one(QString()) << one(QString());
    }
    void singleLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, names);
        const PastedLines r = parsePaste({line}, {}, {});
        QCOMPARE(r.entries, entries);
        QCOMPARE(r.names, names);
        QCOMPARE(r.countText, u"1 предметов"_s);
    }

    // Several lines of one paste into a given list.
    void runs_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("tag length carries to the next line")
            << QStringList{u"<на шее> амулет"_s, u"кольцо [отл]"_s} << QStringList()
            << QStringList() << QStringList{u"амулет"_s, u"кольцо"_s}
            << QStringList{u"амулет"_s, u"кольцо"_s};
        QTest::newRow("carried tag length keeps dotted lines plain")
            << QStringList{u"<в руках> посох"_s, u"12. шлем"_s} << QStringList() << QStringList()
            << QStringList{u"посох"_s, u"12. шлем"_s} << QStringList{u"посох"_s, u"12. шлем"_s};
        QTest::newRow("short tag resets the carried length")
            << QStringList{u"<в руках> посох"_s, u"меч <>"_s, u"кольцо [отл]"_s} << QStringList()
            << QStringList() << QStringList{u"посох"_s, u"меч"_s, u"кольцо [отл]"_s}
            << QStringList{u"посох"_s, u"меч"_s, u"кольцо [отл]"_s};
        QTest::newRow("plain duplicate ignoring case adds nothing")
            << QStringList{u"Меч"_s, u"МЕЧ"_s} << QStringList{u"щит"_s} << QStringList{u"щит"_s}
            << QStringList{u"Меч"_s} << QStringList{u"Меч"_s};
        QTest::newRow("already listed entry adds no name")
            << QStringList{u"ЩИТ"_s} << QStringList{u"щит"_s} << QStringList() << QStringList()
            << QStringList();
        QTest::newRow("new plain entry repeats a listed name")
            << QStringList{u"щит"_s} << QStringList() << QStringList{u"Щит"_s}
            << QStringList{u"щит"_s} << QStringList{u"щит"_s};
        QTest::newRow("numbered entries doubled, names once")
            << QStringList{u"1. меч"_s, u"2. щит"_s, u"1. меч"_s, u"2. щит"_s} << QStringList()
            << QStringList{u"МЕЧ"_s}
            << QStringList{u"1. меч"_s, u"2. щит"_s, u"1. меч"_s, u"2. щит"_s}
            << QStringList{u"щит"_s};
        QTest::newRow("presence test sees numbered entries")
            << QStringList{u"12. шлем"_s, u"12. ШЛЕМ"_s} << QStringList() << QStringList()
            << QStringList{u"12. шлем"_s, u"12. ШЛЕМ"_s} << QStringList{u"шлем"_s};
        QTest::newRow("plain line equal to a listed numbered entry")
            << QStringList{u"<в руках> посох"_s, u"1. меч [отл]"_s} << QStringList{u"1. МЕЧ"_s}
            << QStringList() << QStringList{u"посох"_s} << QStringList{u"посох"_s};
        QTest::newRow("empty text listed once")
            << QStringList{u""_s, u"  "_s, u"Склад:"_s} << QStringList() << QStringList()
            << QStringList{QString()} << QStringList{QString()};
        QTest::newRow("empty text already in the list")
            << QStringList{u""_s} << QStringList{QString()} << QStringList() << QStringList()
            << QStringList();
    }
    void runs()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, list);
        QFETCH(QStringList, listed);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, names);
        const PastedLines r = parsePaste(lines, list, listed);
        QCOMPARE(r.entries, entries);
        QCOMPARE(r.names, names);
        QCOMPARE(r.countText, QString::number(list.size() + entries.size()) + u" предметов"_s);
    }

    void trimmedLinesGoBack()
    {
        const PastedLines r = parsePaste({u"  a "_s, u"\tb\r"_s, QString()}, {}, {});
        QCOMPARE(r.trimmedLines, (QStringList{u"a"_s, u"b"_s, QString()}));
    }

    void emptyPasteOnlyCounts()
    {
        const PastedLines r = parsePaste({}, {u"a"_s, u"b"_s}, {u"a"_s});
        QVERIFY(r.entries.isEmpty());
        QVERIFY(r.names.isEmpty());
        QVERIFY(r.trimmedLines.isEmpty());
        QCOMPARE(r.countText, u"2 предметов"_s);
    }

    void countText_data()
    {
        QTest::addColumn<qsizetype>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qsizetype(0) << u"0 предметов"_s;
        QTest::newRow("one") << qsizetype(1) << u"1 предметов"_s;
        QTest::newRow("many") << qsizetype(123456) << u"123456 предметов"_s;
    }
    void countText()
    {
        QFETCH(qsizetype, n);
        QFETCH(QString, text);
        QCOMPARE(::countText(n), text);
    }

    void itemKey_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("key");
        QTest::newRow("numbered") << u"12. шлем"_s << u"шлем"_s;
        QTest::newRow("bracket tail") << u"кольцо [отл]"_s << u"кольцо"_s;
        QTest::newRow("stars") << u"*меч*"_s << u"меч"_s;
        QTest::newRow("empty tag and hash") << u"3. <>кинжал #"_s << u"кинжал"_s;
        QTest::newRow("bracket without blank") << u"щит[2]"_s << u"щи"_s;
        QTest::newRow("dotted plain entry") << u"меч . меч ...гудит"_s << u"меч ...гудит"_s;
        QTest::newRow("bracket first") << u"[5] меч"_s << QString();
        QTest::newRow("bracket second") << u"a[5] меч"_s << QString();
        QTest::newRow("dot at the end") << u"меч."_s << QString();
        QTest::newRow("dot then one character") << u"меч.x"_s << QString();
        QTest::newRow("angles apart stay") << u"<меч>"_s << u"<меч>"_s;
        QTest::newRow("case kept") << u"Меч"_s << u"Меч"_s;
        QTest::newRow("empty") << QString() << QString();
    }
    void itemKey()
    {
        QFETCH(QString, entry);
        QFETCH(QString, key);
        QCOMPARE(ItemKey(entry), key);
    }

    // The key of a numbered entry equals the name offered to ListedNames.
    void itemKeyOfNumberedEntryIsItsName()
    {
        const QStringList lines{u"12. (5 д.) шлем [3]"_s, u"3) 4. кольцо"_s, u"7. меч ...гудит"_s};
        for (const QString &line : lines) {
            const PastedLines r = parsePaste({line}, {}, {});
            QCOMPARE(r.entries.size(), 1);
            QCOMPARE(r.names.size(), 1);
            QCOMPARE(ItemKey(r.entries.first()), r.names.first());
        }
    }

    // Large and hostile input: nothing crashes, the results keep their shape.
    void largePasteIntoLargeList()
    {
        QStringList list;
        QStringList paste;
        for (int i = 0; i < 100000; ++i) {
            list.append(u"предмет "_s + QString::number(i, 26));
            paste.append(u"  предмет "_s + QString::number(i + 50000, 26) + u" [хор]"_s);
        }
        const PastedLines r = parsePaste(paste, list, list);
        QCOMPARE(r.trimmedLines.size(), paste.size());
        // Letters survive the digit removal, so half of the base-26 names collide.
        QVERIFY(!r.entries.isEmpty());
        QCOMPARE(r.countText, QString::number(list.size() + r.entries.size()) + u" предметов"_s);
    }

    void longLinesAndControlCharacters()
    {
        QString longLine(100000, u'ж');
        QString control;
        for (char16_t c = 0; c < 0x20; ++c)
            control.append(QChar(c));
        const QStringList lines{longLine,
                                longLine + u" [отл]"_s,
                                u"<"_s + longLine + u">"_s,
                                control + u"щит\tстальной"_s + control,
                                QString(100000, u'.'),
                                QString(100000, u':'),
                                QString(50000, u'<'),
                                QString(50000, u')')};
        const PastedLines r = parsePaste(lines, {}, {});
        QCOMPARE(r.trimmedLines.size(), lines.size());
        QVERIFY(r.entries.contains(longLine));
        QVERIFY(r.entries.contains(u"щит\tстальной"_s));
    }
};

QTEST_GUILESS_MAIN(TestParser)
#include "tst_parser.moc"
