#include "base/comparison.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LoreNumber)

namespace {

const QString kHeader = u"Предмет 'меч +2', Тип предмета: Оружие"_s;

} // namespace

class TestComparison : public QObject
{
    Q_OBJECT

private slots:
    /// One lore line after the header: the number it states, or none.
    void numbersOfLoreLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("property"); ///< empty: no number
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("signedValue");
        QTest::newRow("modifier plus") << u"попадание +3"_s << u"попадание"_s << 3 << true;
        QTest::newRow("modifier minus") << u"спас-броски -2"_s << u"спас-броски"_s << -2 << true;
        QTest::newRow("colon and spaces")
            << u"  повреждение :  +4 "_s << u"повреждение"_s << 4 << true;
        QTest::newRow("sign apart from its digits") << u"мана + 15"_s << u"мана"_s << 15 << true;
        QTest::newRow("no space before the sign") << u"ловкость+1"_s << u"ловкость"_s << 1 << true;
        QTest::newRow("typographic minus")
            << u"сопротивление огню \u22125"_s << u"сопротивление огню"_s << -5 << true;
        QTest::newRow("requirement") << u"сила 16"_s << u"сила"_s << 16 << false;
        QTest::newRow("requirement after its label")
            << u"Требует для использования: сила 16"_s << u"сила"_s << 16 << false;
        QTest::newRow("level") << u"мин.уровень 20"_s << u"мин.уровень"_s << 20 << false;
        QTest::newRow("tab before the number") << u"вес\t5"_s << u"вес"_s << 5 << false;
        QTest::newRow("text after the number") << u"Таймер: 10 минут"_s << QString() << 0 << false;
        QTest::newRow("no number") << u"Вы можете одеть это на палец."_s << QString() << 0 << false;
        QTest::newRow("digits that end a word") << u"урон д6"_s << QString() << 0 << false;
        QTest::newRow("a number alone") << u"+5"_s << QString() << 0 << false;
        QTest::newRow("flags") << u"Флаги предмета: !ВОИН !ВАРВАР"_s << QString() << 0 << false;
        QTest::newRow("empty") << QString() << QString() << 0 << false;
        QTest::newRow("too long to be a number")
            << u"заряды 12345678901"_s << QString() << 0 << false;
    }
    void numbersOfLoreLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(bool, signedValue);
        const QList<LoreNumber> numbers = loreNumbers({kHeader, line});
        if (property.isEmpty()) {
            QCOMPARE(numbers, QList<LoreNumber>());
            return;
        }
        QCOMPARE(numbers, (QList<LoreNumber>{{property, value, signedValue}}));
    }

    void ratingsHeaderAndRepeats()
    {
        const QList<LoreNumber> numbers = loreNumbers({kHeader, u"Мг  Лк Др"_s,
                                                       u"Оценка: 6, 5, 7"_s, u"мин.уровень 20"_s,
                                                       u"ловкость +1"_s, u"ловкость +3"_s});
        QCOMPARE(numbers,
                 (QList<LoreNumber>{{u"оценка Мг"_s, 6, false},
                                    {u"оценка Лк"_s, 5, false},
                                    {u"оценка Др"_s, 7, false},
                                    {u"мин.уровень"_s, 20, false},
                                    {u"ловкость"_s, 1, true}}));
        // Several numbers on one line, and a number after a sentence.
        QCOMPARE(loreNumbers({kHeader, u"мин.уровень 5, удача +2"_s,
                              u"Вы можете одеть это на тело. защита -1"_s}),
                 (QList<LoreNumber>{{u"мин.уровень"_s, 5, false},
                                    {u"удача"_s, 2, true},
                                    {u"защита"_s, -1, true}}));
        // The header's own «+2» is the item's name, not a number.
        QCOMPARE(loreNumbers({kHeader}), QList<LoreNumber>());
    }

    void comparisonSaysWhichIsBetter()
    {
        const QList<LoreNumber> sword = loreNumbers({kHeader, u"Вн Ва"_s, u"Оценка: 6, 4"_s,
                                                     u"мин.уровень 10"_s, u"попадание +3"_s,
                                                     u"спас-броски -1"_s, u"сила 16"_s});
        const QList<LoreNumber> axe = loreNumbers(
            {kHeader, u"Вн Ва"_s, u"Оценка: 6, 7"_s, u"мин.уровень 12"_s, u"попадание +1"_s,
             u"спас-броски -3"_s, u"сила 14"_s, u"мана +10"_s});
        const QList<ComparedNumber> rows = compareLoreNumbers(sword, axe, u"длинный меч"_s,
                                                              u"секира"_s);
        QStringList said;
        for (const ComparedNumber &row : rows)
            said.append(row.property + u": "_s + row.words);
        QCOMPARE(said,
                 (QStringList{u"оценка Вн: поровну"_s, u"оценка Ва: лучше у «секира» на 3"_s,
                              u"мин.уровень: лучше у «длинный меч» на 2"_s,
                              u"попадание: лучше у «длинный меч» на 2"_s,
                              u"спас-броски: лучше у «секира» на 2"_s,
                              u"сила: лучше у «секира» на 2"_s, u"мана: только у «секира»"_s}));
        QCOMPARE(rows[2].favours, Favours::Left);
        QCOMPARE(rows[4].favours, Favours::Right);
        QCOMPARE(rows[6].left, std::nullopt);
        QCOMPARE(rows[6].right, 10);
        // An item not in the base states nothing: every row is the other's alone.
        const QList<ComparedNumber> alone = compareLoreNumbers({}, axe, u"x"_s, u"секира"_s);
        QCOMPARE(alone.size(), axe.size());
        QVERIFY(std::all_of(alone.cbegin(), alone.cend(), [](const ComparedNumber &row) {
            return row.words == u"только у «секира»"_s && row.favours == Favours::Neither;
        }));
    }
};

QTEST_GUILESS_MAIN(TestComparison)
#include "tst_comparison.moc"
