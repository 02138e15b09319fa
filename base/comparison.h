#pragma once

// Two items side by side: the numbers their lores state, and which item each one favours.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// A number that a lore line states: a modifier («ловкость +1»), a requirement or a quantity
/// («сила 16»), the level («мин.уровень 20») or a class rating (from «Оценка: 6, 5, 7» under the
/// class line «Мг Лк Др»: «оценка Мг» 6, ...).
struct LoreNumber
{
    QString property;
    int value = 0;
    bool signedValue = false; ///< written with a sign, as the modifiers are
    bool operator==(const LoreNumber &) const = default;
};

/// The numbers of a lore, in the order of its lines; a property stated twice keeps its first
/// value. Each part of a line between commas, from its last sentence on, states a number when
/// it ends in an integer, signed or not, after a name that holds a letter («попадание +3»,
/// «спас-броски: -2», «сила 16», «мин.уровень 5, удача +2»); the first line (the item's
/// header) and parts without such an ending state none, and nothing is guessed.
QList<LoreNumber> loreNumbers(const QStringList &loreLines);

/// Which of the two items a number favours.
enum class Favours { Left, Right, Neither };

/// One row of the comparison: a property with its value for each item (none where that
/// item's lore does not state it).
struct ComparedNumber
{
    QString property;
    std::optional<int> left;
    std::optional<int> right;
    Favours favours = Favours::Neither;
    int by = 0; ///< how much better, when one side is
    QString words; ///< «лучше у «меч» на 2», «поровну», «только у «щит»»
};

/// Every property stated by either lore, those of the left item first, each with both values.
/// Higher is better but for the saving throws («спас»), the level and the unsigned numbers
/// other than the ratings (requirements, weight), where lower is.
QList<ComparedNumber> compareLoreNumbers(const QList<LoreNumber> &left,
                                         const QList<LoreNumber> &right, const QString &leftName,
                                         const QString &rightName);
