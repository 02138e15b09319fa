#pragma once

// Random-ish staff base texts for comparing the indexed look-ups with a line-by-line reading:
// ordinary records mixed with the awkward ones (no end line, repeated names in other letter
// case, headers without the type part or with many apostrophes, both markers on one line,
// headers in the last lines, text outside records, every kind of line break).

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

namespace randombase {

inline QString pick(QRandomGenerator &rng, const QStringList &from)
{
    return from.at(rng.bounded(int(from.size())));
}

inline QString randomName(QRandomGenerator &rng)
{
    static const QStringList words = {
        QStringLiteral("меч"),
        QStringLiteral("Меч"),
        QStringLiteral("длинный меч"),
        QStringLiteral("щит"),
        QStringLiteral("кольцо"),
        QStringLiteral("КОЛЬЦО"),
        QStringLiteral("старый фонарь"),
        QStringLiteral("свиток"),
        QStringLiteral("a'b"),
        QStringLiteral("x.y(z)"),
        QStringLiteral("[кольцо]"),
        QString(),
        QStringLiteral("плащ"),
        QStringLiteral("шлем ветра"),
        QStringLiteral("ёж"),
        QStringLiteral("Ёж"),
    };
    return pick(rng, words);
}

inline QStringList randomRecord(QRandomGenerator &rng)
{
    static const QStringList types = {
        QStringLiteral("Обычный"),    QStringLiteral("Свиток"), QStringLiteral("Книга"),
        QStringLiteral("Ингредиент"), QStringLiteral("Оружие"),
    };
    static const QStringList body = {
        QStringLiteral("Вы можете одеть это на тело."),
        QStringLiteral("Вы можете одеть это на голову."),
        QStringLiteral("Оружейное умение: Разнообразное  "),
        QStringLiteral("Оружейное умение: Топоры"),
        QStringLiteral("Модификаторы :"),
        QStringLiteral("удача +2"),
        QStringLiteral("защита -1"),
        QStringLiteral("Места лоада: город"),
        QStringLiteral("Зона лоада: лес"),
        QStringLiteral("СВЕТ !ПК В_ДВЕ_РУКИ"),
        QStringLiteral("на тело НА ТЕЛО"),
        QStringLiteral("мин.уровень 12"),
        QStringLiteral("мин.уровень 5, удача +2"),
        QStringLiteral("мин.уровень: 7"),
        QStringLiteral("мин.уровень"),
        QString(),
        QStringLiteral("  "),
        QStringLiteral("Предмет без кавычек"),
        QStringLiteral("Предмет 'a' 'меч' ' ' '' '' '' '' '' '' '' '' 'b', Тип предмета: Книга"),
        QStringLiteral("строка с <end node> внутри"),
        QStringLiteral("'''''''''''''''''''''"),
    };
    QStringList lines;
    const QString name = randomName(rng);
    switch (rng.bounded(8)) {
    case 0:
        lines << QStringLiteral("Предмет '%1'").arg(name); // no type part
        break;
    case 1:
        lines << QStringLiteral("xПредмет '%1', Тип предмета: %2").arg(name, pick(rng, types));
        break;
    case 2:
        lines << QStringLiteral("Предмет '%1', Тип предмета: %2 мин.уровень 3")
                     .arg(name, pick(rng, types));
        break;
    case 3:
        lines << QStringLiteral("Предмет '%1', '%1' '' ' ' ', Тип предмета: %2")
                     .arg(name, pick(rng, types));
        break;
    default: lines << QStringLiteral("Предмет '%1', Тип предмета: %2").arg(name, pick(rng, types));
    }
    if (rng.bounded(5) > 0) {
        lines << QStringLiteral("  Вн  Ва   Сл ");
        lines << (rng.bounded(4) > 0 ? QStringLiteral("Оценка:  10,  9,   3")
                                     : QStringLiteral("что-то"));
    }
    const int bodyLines = rng.bounded(6);
    for (int k = 0; k < bodyLines; ++k)
        lines << pick(rng, body);
    if (rng.bounded(6) > 0)
        lines << QStringLiteral("<end node> 5P9i0s8y19Z");
    if (rng.bounded(4) == 0)
        lines << QStringLiteral("<node> 5P9i0s8y19Z") << QStringLiteral("Раздел")
              << QStringLiteral("1");
    return lines;
}

/// A base of about `records` records, joined with mixed line breaks.
inline QString randomBaseText(quint32 seed, int records)
{
    QRandomGenerator rng(seed);
    QStringList lines;
    if (rng.bounded(2))
        lines << QStringLiteral("<Treepad version 3.0>")
              << QStringLiteral("удача +1 мин.уровень 9");
    for (int r = 0; r < records; ++r)
        lines << randomRecord(rng);
    if (rng.bounded(3) == 0)
        lines << QStringLiteral("Предмет 'последний', Тип предмета: Обычный");
    static const QStringList breaks = {QStringLiteral("\r\n"), QStringLiteral("\n"),
                                       QStringLiteral("\r")};
    QString text;
    for (const QString &line : lines)
        text += line + pick(rng, breaks);
    if (rng.bounded(2) && !text.isEmpty())
        text.chop(1); // sometimes no final break, sometimes a lone CR of a CR LF
    return text;
}

} // namespace randombase
