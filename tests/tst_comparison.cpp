#include "base/comparison.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kHeader = u"Предмет 'меч +2', Тип предмета: Оружие"_s;
const QString kLeftName = u"кольцо"_s;
const QString kRightName = u"меч"_s;

/// A lore of `lines` (one per '\n') under the header.
QStringList lore(const QString &lines)
{
    QStringList record = {kHeader};
    if (!lines.isEmpty())
        record.append(lines.split(u'\n'));
    return record;
}

/// «сила (требуется) = 16 ↓»: the property, the number as shown, and which way it is better
/// (↑ higher, ↓ lower, nothing where that is not known).
QString described(const LoreNumber &number)
{
    const QString direction = number.better == Better::Higher ? u" ↑"_s
        : number.better == Better::Lower                      ? u" ↓"_s
                                                              : QString();
    return number.property + u" = "_s + loreNumberText(number) + direction;
}

QStringList described(const QList<LoreNumber> &numbers)
{
    QStringList said;
    for (const LoreNumber &number : numbers)
        said.append(described(number));
    return said;
}

QString shown(const std::optional<LoreNumber> &number)
{
    return number ? loreNumberText(*number) : u"—"_s;
}

/// The side a row's words name as the better one.
Favours favouredByWords(const QString &words)
{
    if (words.startsWith(u"лучше у «"_s + kLeftName + u'»'))
        return Favours::Left;
    if (words.startsWith(u"лучше у «"_s + kRightName + u'»'))
        return Favours::Right;
    return Favours::Neither;
}

} // namespace

class TestComparison : public QObject
{
    Q_OBJECT

private slots:
    /// Lore lines after the header: the numbers they state, or none.
    void numbersOfLoreLines_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QStringList>("numbers");
        const auto row = [](const char *name, const QString &lines, const QStringList &numbers) {
            QTest::newRow(name) << lines << numbers;
        };
        row("modifier plus", u"попадание +3"_s, {u"попадание = +3 ↑"_s});
        row("modifier minus", u"спас-броски -2"_s, {u"спас-броски = -2 ↓"_s});
        row("colon and spaces", u"  повреждение :  +4 "_s, {u"повреждение = +4 ↑"_s});
        row("sign apart from its digits", u"мана + 15"_s, {u"мана = +15 ↑"_s});
        row("no space before the sign", u"ловкость+1"_s, {u"ловкость = +1 ↑"_s});
        row("typographic minus", u"сопротивление огню \u22125"_s, {u"сопротивление огню = -5 ↑"_s});
        row("unsigned saving throws", u"спас 3"_s, {u"спас = 3 ↓"_s});
        row("a quantity: direction unknown", u"сила 16"_s, {u"сила = 16"_s});
        row("requirement after its label", u"Требует для использования: сила 16"_s,
            {u"сила (требуется) = 16 ↓"_s});
        row("two requirements", u"Требует для использования: сила 16, ловкость 12"_s,
            {u"сила (требуется) = 16 ↓"_s, u"ловкость (требуется) = 12 ↓"_s});
        row("requirement and modifier of one name",
            u"Требует для использования: сила 16\nсила +2"_s,
            {u"сила (требуется) = 16 ↓"_s, u"сила = +2 ↑"_s});
        row("level", u"мин.уровень 20"_s, {u"мин.уровень = 20 ↓"_s});
        row("level and a modifier", u"мин.уровень 5, удача +2"_s,
            {u"мин.уровень = 5 ↓"_s, u"удача = +2 ↑"_s});
        row("a number after a sentence", u"Вы можете одеть это на тело. защита -1"_s,
            {u"защита = -1 ↑"_s});
        row("weight", u"вес 5"_s, {u"вес = 5 ↓"_s});
        row("tab before the number", u"вес\t5"_s, {u"вес = 5 ↓"_s});
        row("decimal point", u"вес 2.5"_s, {u"вес = 2,5 ↓"_s});
        row("decimal comma", u"вес 2,5"_s, {u"вес = 2,5 ↓"_s});
        row("signed decimal", u"удача +1.25"_s, {u"удача = +1,25 ↑"_s});
        row("decimals beyond thousandths", u"вес 2.5001"_s, {});
        row("range", u"уровень 10-20"_s, {});
        row("range with spaces", u"уровень 10 - 20"_s, {});
        row("range with a dash", u"урон 3\u20138"_s, {});
        row("time", u"таймер 1:30"_s, {});
        row("thousands apart", u"цена 1 000"_s, {});
        row("arabic-indic digit", u"сила \u0663"_s, {u"сила = 3"_s});
        row("fullwidth digit", u"удача +\uFF17"_s, {u"удача = +7 ↑"_s});
        row("digit outside the basic plane", u"сила \U0001D7D9"_s, {});
        row("a name holding a number", u"мин.уровень 5 удача +2"_s, {});
        row("percent", u"шанс 10%"_s, {});
        row("text after the number", u"Таймер: 10 минут"_s, {});
        row("no number", u"Вы можете одеть это на палец."_s, {});
        row("digits that end a word", u"урон д6"_s, {});
        row("a number alone", u"+5"_s, {});
        row("flags", u"Флаги предмета: !ВОИН !ВАРВАР"_s, {});
        row("empty", QString(), {});
        row("too long to be a number", u"заряды 12345678901"_s, {});
        row("ratings", u"Мг  Лк Др\nОценка: 6, 5, 7"_s,
            {u"оценка Мг = 6 ↑"_s, u"оценка Лк = 5 ↑"_s, u"оценка Др = 7 ↑"_s});
        row("a rating that is no number is left out", u"Мг Лк Др\nОценка: 6, x, 7"_s,
            {u"оценка Мг = 6 ↑"_s, u"оценка Др = 7 ↑"_s});
        row("a line that begins with the ratings' word", u"Мг Лк\nОценка мастера 5"_s,
            {u"Оценка мастера = 5"_s});
        row("a property stated twice keeps its first value", u"ловкость +1\nловкость +3"_s,
            {u"ловкость = +1 ↑"_s});
    }
    void numbersOfLoreLines()
    {
        QFETCH(QString, lines);
        QFETCH(QStringList, numbers);
        QCOMPARE(described(loreNumbers(lore(lines))), numbers);
    }

    void numbersAreExact()
    {
        QCOMPARE(loreNumbers(lore(u"вес 2,05"_s)),
                 (QList<LoreNumber>{{u"вес"_s, 2050, 2, false, Better::Lower}}));
        QCOMPARE(loreNumbers(lore(u"заряды 999999999"_s)).value(0).thousandths, 999999999000LL);
        // The header's own «+2» is the item's name, not a number.
        QCOMPARE(loreNumbers({kHeader}), QList<LoreNumber>());
    }

    /// Two lores (after the header, one line per '\n'), «кольцо» on the left, «меч» on the
    /// right: the rows «property | left | right | words». A row names a better item only where
    /// the direction is known, and its tint (Favours) follows its words.
    void comparisonRows_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QStringList>("rows");
        const auto row = [](const char *name, const QString &left, const QString &right,
                            const QStringList &rows) {
            QTest::newRow(name) << left << right << rows;
        };
        row("ratings: higher is better", u"Вн Ва\nОценка: 6, 4"_s, u"Вн Ва\nОценка: 6, 7"_s,
            {u"оценка Вн | 6 | 6 | поровну"_s, u"оценка Ва | 4 | 7 | лучше у «меч» на 3"_s});
        row("level: lower is better", u"мин.уровень 10"_s, u"мин.уровень 12"_s,
            {u"мин.уровень | 10 | 12 | лучше у «кольцо» на 2"_s});
        row("modifiers: higher is better", u"попадание +3"_s, u"попадание +1"_s,
            {u"попадание | +3 | +1 | лучше у «кольцо» на 2"_s});
        row("modifiers across zero", u"защита -1"_s, u"защита +2"_s,
            {u"защита | -1 | +2 | лучше у «меч» на 3"_s});
        row("saving throws: lower is better", u"спас-броски -1"_s, u"спас-броски -3"_s,
            {u"спас-броски | -1 | -3 | лучше у «меч» на 2"_s});
        row("requirements: lower is better", u"Требует для использования: сила 16"_s,
            u"Требует для использования: сила 14"_s,
            {u"сила (требуется) | 16 | 14 | лучше у «меч» на 2"_s});
        row("a requirement is no modifier", u"Требует для использования: сила 16"_s, u"сила +2"_s,
            {u"сила (требуется) | 16 | — | только у «кольцо»"_s,
             u"сила | — | +2 | только у «меч»"_s});
        row("an item with both keeps its modifier",
            u"Требует для использования: сила 16\nсила +2"_s, u"сила +3"_s,
            {u"сила (требуется) | 16 | — | только у «кольцо»"_s,
             u"сила | +2 | +3 | лучше у «меч» на 1"_s});
        row("weight: lower is better, decimals exact", u"вес 2.5"_s, u"вес 3"_s,
            {u"вес | 2,5 | 3 | лучше у «кольцо» на 0,5"_s});
        row("decimal modifiers", u"удача +1.25"_s, u"удача +1,5"_s,
            {u"удача | +1,25 | +1,5 | лучше у «меч» на 0,25"_s});
        row("other numbers: the difference without a verdict", u"заряды 5"_s, u"заряды 3"_s,
            {u"заряды | 5 | 3 | больше у «кольцо» на 2"_s});
        row("a modifier against a quantity of one name", u"мана +10"_s, u"мана 15"_s,
            {u"мана | +10 | 15 | больше у «меч» на 5"_s});
        row("digits of another script", u"сила \u0663"_s, u"сила 5"_s,
            {u"сила | 3 | 5 | больше у «меч» на 2"_s});
        row("ranges and times make no rows", u"уровень 10-20\nтаймер 1:30"_s,
            u"уровень 5-8\nтаймер 2:00\nвес 2. 5"_s, {});
        row("equal", u"удача +2"_s, u"удача +2"_s, {u"удача | +2 | +2 | поровну"_s});
        row("one side only", u"удача +2"_s, u"мана +10"_s,
            {u"удача | +2 | — | только у «кольцо»"_s, u"мана | — | +10 | только у «меч»"_s});
        // An item not in the base states nothing: every row is the other's alone.
        row("an item not in the base", QString(), u"мин.уровень 3\nудача +1"_s,
            {u"мин.уровень | — | 3 | только у «меч»"_s, u"удача | — | +1 | только у «меч»"_s});
    }
    void comparisonRows()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QStringList, rows);
        const QList<LoreNumber> leftNumbers = left.isEmpty() ? QList<LoreNumber>()
                                                             : loreNumbers(lore(left));
        const QList<ComparedNumber> compared = compareLoreNumbers(
            leftNumbers, loreNumbers(lore(right)), kLeftName, kRightName);
        QStringList said;
        for (const ComparedNumber &row : compared) {
            said.append(
                QStringList{row.property, shown(row.left), shown(row.right), row.words}.join(
                    u" | "_s));
            QCOMPARE(row.favours, favouredByWords(row.words));
        }
        QCOMPARE(said, rows);
    }
};

QTEST_GUILESS_MAIN(TestComparison)
#include "tst_comparison.moc"
