#include "base/lore.h"
#include "base/staffbase.h"
#include "text/strops.h"
#include "text/textfile.h"

#include "fuzz/plainreading.h"
#include "randombase.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 aqua = 0xFF00FFFF;
constexpr quint32 red = 0xFFFF0000;
constexpr quint32 yellow = 0xFFFFFF00;
constexpr quint32 lime = 0xFF00FF00;
constexpr quint32 teal = 0xFF008080;
constexpr quint32 grey = 0xFF808080;

const QStringList kLantern = {
    u"Предмет 'старый фонарь', Тип предмета: Обычный"_s,
    u"Вн  Ва  Сл"_s,
    u"Оценка: 3, 2, 5"_s,
    u"СВЕТ !ПК"_s,
    u"мин.уровень 5, удача +2"_s,
    u"Модификаторы :"_s,
    u"удача +2"_s,
    u"защита -1"_s,
    u"Места лоада: город"_s,
};

QList<LoreSpan> spansOf(const QStringList &lines)
{
    return ComputeLoreSpans(loreText(lines), lines.isEmpty() ? 0 : lines.first().size());
}

QString spansText(const QList<LoreSpan> &spans)
{
    QStringList parts;
    for (const LoreSpan &s : spans)
        parts << u"%1+%2 #%3"_s.arg(s.start).arg(s.length).arg(s.colour & 0xFFFFFF, 6, 16,
                                                               QChar(u'0'));
    return parts.join(u", "_s);
}

} // namespace

namespace QTest {
template<>
char *toString(const QList<LoreSpan> &spans)
{
    return qstrdup(spansText(spans).toUtf8().constData());
}
} // namespace QTest

class TestLore : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const QString v = loreText(kLantern);
        QCOMPARE(v.size(), 160);
        QCOMPARE(SlotLabelFor(v), u"В левую руку"_s);
        const QList<LoreSpan> expected = {
            {9, 13, aqua},   {141, 12, yellow}, {107, 14, lime}, {79, 3, teal}, {74, 5, yellow},
            {121, 20, grey}, {104, 3, lime},    {128, 3, lime},  {138, 3, red},
        };
        QCOMPARE(ComputeLoreSpans(v, kLantern.first().size()), expected);
        QCOMPARE(v.mid(9, 13), u"старый фонарь"_s);
    }

    void slotLabel_data()
    {
        QTest::addColumn<QString>("lore");
        QTest::addColumn<QString>("label");
        QTest::newRow("nothing") << u"просто текст\n"_s << QString();
        QTest::newRow("head") << u"Вы можете одеть это на голову.\n"_s << u"Голова"_s;
        QTest::newRow("later row wins")
            << u"Предмет 'x', Тип предмета: Обычный\nВы можете одеть это на голову.\n"_s
            << u"В левую руку"_s;
        QTest::newRow("weapon skill")
            << u"Оружейное умение: Дубины и палицы\n"_s << u"Дубины и палицы"_s;
        QTest::newRow("case matters") << u"вы можете одеть это на голову.\n"_s << QString();
        QTest::newRow("potion") << u"Тип предмета: Напиток\n"_s << u"Напиток"_s;
    }
    void slotLabel()
    {
        QFETCH(QString, lore);
        QFETCH(QString, label);
        QCOMPARE(SlotLabelFor(lore), label);
    }

    void spans_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<LoreSpan>>("expected");
        const QString hdr = u"Предмет 'ab', Тип предмета: Книга"_s; // 33 characters, name at 9
        const LoreSpan name{9, 2, aqua};

        QTest::newRow("empty lore") << QStringList() << QList<LoreSpan>();
        QTest::newRow("skill keyword inside weapon skill")
            << QStringList{hdr, u"Оружейное умение: Топоры"_s}
            << QList<LoreSpan>{name, {44, 7, lime}, {34, 17, lime}};
        QTest::newRow("first occurrence only, lower case word counts")
            << QStringList{hdr, u"светит свет и СВЕТ"_s} << QList<LoreSpan>{name, {41, 5, yellow}};
        QTest::newRow("underscore is a word character")
            << QStringList{hdr, u"МАГИЧЕСКИЙ_СВЕТ"_s} << QList<LoreSpan>{name, {34, 16, yellow}};
        QTest::newRow("plus marks: +100 and ++5")
            << QStringList{hdr, u"+100 ++5"_s}
            << QList<LoreSpan>{name, {34, 3, lime}, {39, 3, lime}};
        QTest::newRow("no modifiers heading: no grey block, no minus marks")
            << QStringList{hdr, u"защита -1"_s} << QList<LoreSpan>{name};
        QTest::newRow("hyphen before the heading is not marked, none after the load heading")
            << QStringList{hdr, u"-x"_s, u"Модификаторы :"_s, u"-1"_s, u"Зона лоада: -"_s}
            << QList<LoreSpan>{name, {55, 11, yellow}, {37, 14, lime}, {51, 4, grey}, {52, 3, red}};
        QTest::newRow("load heading before modifiers: no grey block, no minus mark")
            << QStringList{hdr, u"Места лоада:"_s, u"Модификаторы :"_s, u"-1"_s}
            << QList<LoreSpan>{name, {34, 12, yellow}, {47, 14, lime}};
        QTest::newRow("no type part: no name span")
            << QStringList{u"Предмет 'ab'"_s, u"+"_s} << QList<LoreSpan>{{13, 3, lime}};
        QTest::newRow("heading at the very end: block runs to the end")
            << QStringList{hdr, u"Модификаторы :"_s}
            << QList<LoreSpan>{name, {34, 14, lime}, {48, 1, grey}};
        QTest::newRow("plus mark reaching past the end")
            << QStringList{u"+"_s} << QList<LoreSpan>{{0, 3, lime}};
    }
    void spans()
    {
        QFETCH(QStringList, lines);
        QFETCH(QList<LoreSpan>, expected);
        QCOMPARE(spansOf(lines), expected);
    }

    void collect_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        const QString end = u"<end node> 5P9i0s8y19Z"_s;
        const QStringList base = {
            u"<node> 5P9i0s8y19Z"_s,
            u"Предмет 'меч', Тип предмета: Оружие"_s,
            u"острый"_s,
            end,
            u"Предмет 'длинный меч', Тип предмета: Оружие"_s,
            u"длинный"_s,
            end,
            u"Предмет 'меч', Тип предмета: Оружие"_s,
            u"второй"_s,
            end,
            u"Предмет 'a'b.*', Тип предмета: Свиток"_s,
            u"странный"_s,
        };
        QTest::newRow("both records with the key, in order")
            << u"меч"_s << base << QStringList{base[1], base[2], base[7], base[8]};
        QTest::newRow("key inside a longer name does not match")
            << u"длинный"_s << base << QStringList();
        QTest::newRow("apostrophe and pattern characters, no end line")
            << u"a'b.*"_s << base << QStringList{base[10], base[11]};
        QTest::newRow("case matters") << u"Меч"_s << base << QStringList();
        QTest::newRow("header holding the end marker copies nothing")
            << u"x"_s << QStringList{u"Предмет 'x' <end node>"_s, u"after"_s} << QStringList();
        QTest::newRow("matching header while copying is copied")
            << u"x"_s << QStringList{u"Предмет 'x'"_s, u"Предмет 'x' again"_s, end, u"out"_s}
            << QStringList{u"Предмет 'x'"_s, u"Предмет 'x' again"_s};
        QTest::newRow("empty key matches two adjacent apostrophes")
            << QString() << QStringList{u"Предмет '' пусто"_s, u"a"_s, end}
            << QStringList{u"Предмет '' пусто"_s, u"a"_s};
        QTest::newRow("empty base") << u"меч"_s << QStringList() << QStringList();
    }
    void collect()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        QCOMPARE(CollectLoreLines(key, staffBaseFromText(lines.join(u"\r\n"_s))), expected);
        QCOMPARE(plain::collect(key, lines), expected);
    }

    /// The indexed collection gives what a line-by-line reading gives, on varied bases.
    void collectAgreesWithPlainReading()
    {
        const QStringList keys = {u"меч"_s,       u"Меч"_s,    u"КОЛЬЦО"_s,   QString(),
                                  u"a'b"_s,       u"x.y(z)"_s, u"[кольцо]"_s, u"ёж"_s,
                                  u"последний"_s, u" "_s,      u"меч', '"_s};
        for (quint32 seed = 1; seed <= 300; ++seed) {
            const QString text = randombase::randomBaseText(seed, int(seed % 50));
            const StaffBase base = staffBaseFromText(text);
            const QStringList lines = splitLines(text);
            for (const QString &key : keys)
                QCOMPARE(CollectLoreLines(key, base), plain::collect(key, lines));
        }
    }

    /// A 1 MB record and a 100,000-character key: whole results, no stall.
    void largeInput()
    {
        QString big = u"Предмет 'м', Тип предмета: Обычный\nМодификаторы :\n"_s;
        big += QString(1024 * 1024, u'+');
        big += u"\n"_s + QString(300000, u'-') + u"\n"_s;
        const QStringList lines = CollectLoreLines(u"м"_s, staffBaseFromText(big));
        QCOMPARE(lines.size(), 4);
        const QList<LoreSpan> spans = spansOf(lines);
        QCOMPARE(spans.size(), 1 + 1 + 1 + (1024 * 1024 + 2) / 3 + 100000);
        QVERIFY(CollectLoreLines(QString(100000, u'a'), staffBaseFromText(big)).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLore)
#include "tst_lore.moc"
