#pragma once

// Two items side by side: the numbers their lores state, and which item each one favours.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// Which way a property's number is better, where the lore's wording tells.
enum class Better { Higher, Lower, Unknown };

/// A number that a lore line states: a modifier («ловкость +1»), a requirement («Требует для
/// использования: сила 16», property «сила (требуется)»), the level («мин.уровень 20»), a class
/// rating (from «Оценка: 6, 5, 7» under the class line «Мг Лк Др»: «оценка Мг» 6, ...) or any
/// other quantity («вес 2.5»). The value is exact: thousandths of the number as written, which
/// has at most three digits after its decimal point.
struct LoreNumber
{
    QString property;
    qint64 thousandths = 0;
    int decimals = 0;         ///< the digits written after the decimal point, 0 to 3
    bool signedValue = false; ///< written with a sign, as the modifiers are
    Better better = Better::Unknown;
    bool operator==(const LoreNumber &) const = default;
};

/// The property of a requirement: «сила» gives «сила (требуется)», apart from the modifier «сила».
QString requirementProperty(const QString &name);

/// The numbers of a lore, in the order of its lines; a property stated twice keeps its first
/// value. Each part of a line between commas (a comma between two digits is a decimal comma),
/// from its last sentence on, states a number when it ends in one, signed or not, whole or
/// with up to three decimals, in digits of any script, after a name of letters that holds no
/// digit («попадание +3», «спас-броски: -2», «вес 2.5», «мин.уровень 5, удача +2»). The parts
/// of a line that begins «Требует для использования:» are requirements. A range («10-20»), a
/// time («1:30»), a longer number and a part without a number state none: nothing is guessed.
/// The first line (the item's header) states none.
QList<LoreNumber> loreNumbers(const QStringList &loreLines);

/// The number as the lore wrote it, with its sign where it had one: «+3», «-2», «16», «2,5».
QString loreNumberText(const LoreNumber &number);

/// Which of the two items a number favours.
enum class Favours { Left, Right, Neither };

/// One row of the comparison: a property with its number in each item (none where that item's
/// lore does not state it).
struct ComparedNumber
{
    QString property;
    std::optional<LoreNumber> left;
    std::optional<LoreNumber> right;
    Favours favours = Favours::Neither;
    /// «лучше у «меч» на 2» where the direction is known, «больше у «меч» на 2» where it is
    /// not, «поровну», «только у «щит»»
    QString words;
};

/// Every property stated by either lore, those of the left item first, each with both values.
/// A row says which item is better only where both numbers tell the direction (Better): higher
/// is better for the class ratings and the signed modifiers, lower for the level, the
/// requirements, the weight and the saving throws; any other row shows the difference alone.
QList<ComparedNumber> compareLoreNumbers(const QList<LoreNumber> &left,
                                         const QList<LoreNumber> &right, const QString &leftName,
                                         const QString &rightName);
