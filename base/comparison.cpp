#include "base/comparison.h"

#include "text/strops.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kRatingsPrefix = u"Оценка:";
constexpr QStringView kRatingProperty = u"оценка ";

bool isMinus(QChar c)
{
    return c == u'-' || c == u'\u2212' || c == u'\u2013';
}

/// The integer that ends `line` and the name before it; none when the line does not end in
/// one or the name holds no letter.
std::optional<LoreNumber> trailingNumber(QStringView line)
{
    const QStringView text = trimText(line);
    qsizetype end = text.size();
    qsizetype start = end;
    while (start > 0 && text[start - 1].isDigit())
        --start;
    if (start == end || end - start > 9)
        return std::nullopt;
    const int magnitude = text.sliced(start, end - start).toInt();
    qsizetype before = start;
    while (before > 0 && text[before - 1].isSpace())
        --before;
    LoreNumber number;
    number.value = magnitude;
    if (before > 0 && (text[before - 1] == u'+' || isMinus(text[before - 1]))) {
        number.signedValue = true;
        if (isMinus(text[before - 1]))
            number.value = -magnitude;
        --before;
    } else if (before > 0 && !text[before - 1].isSpace() && before == start) {
        // Digits that close a word («ур20») are part of the name.
        if (text[before - 1].isLetter())
            return std::nullopt;
    }
    QStringView name = trimText(text.first(before));
    while (!name.isEmpty() && (name.endsWith(u':') || name.endsWith(u'=')))
        name = trimText(name.chopped(1));
    // «Требует для использования: сила 16»: the name is what follows the label.
    if (const qsizetype label = name.lastIndexOf(u": "); label >= 0)
        name = trimText(name.sliced(label + 2));
    if (!std::any_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); }))
        return std::nullopt;
    number.property = name.toString();
    return number;
}

/// «оценка Мг» 6 and so on, from the ratings line and the class line above it.
QList<LoreNumber> ratings(QStringView classLine, QStringView ratingsLine)
{
    const QList<QStringView> classes = classLine.split(u' ', Qt::SkipEmptyParts);
    const QList<QStringView> values =
        ratingsLine.sliced(kRatingsPrefix.size()).split(u',', Qt::SkipEmptyParts);
    QList<LoreNumber> found;
    for (qsizetype i = 0; i < std::min(classes.size(), values.size()); ++i) {
        bool ok = false;
        const int value = trimText(values[i]).toInt(&ok);
        if (ok)
            found.append({kRatingProperty.toString() + classes[i].toString(), value, false});
    }
    return found;
}

bool lowerIsBetter(const LoreNumber &number)
{
    if (number.property.startsWith(kRatingProperty))
        return false;
    return containsText(number.property, u"спас") || number.property == u"мин.уровень"_s
        || !number.signedValue;
}

QString quoted(const QString &name)
{
    return u"«"_s + name + u"»"_s;
}

} // namespace

QList<LoreNumber> loreNumbers(const QStringList &loreLines)
{
    QList<LoreNumber> found;
    const auto add = [&found](const LoreNumber &number) {
        const bool known = std::any_of(found.cbegin(), found.cend(), [&](const LoreNumber &n) {
            return n.property == number.property;
        });
        if (!known)
            found.append(number);
    };
    for (qsizetype i = 1; i < loreLines.size(); ++i) {
        const QStringView line = loreLines[i];
        if (trimText(line).startsWith(kRatingsPrefix)) {
            for (const LoreNumber &rating :
                 ratings(trimText(QStringView(loreLines[i - 1])), trimText(line)))
                add(rating);
            continue;
        }
        // Each part of a line between commas, from its last sentence on, may end in a number:
        // «мин.уровень 5, удача +2», «Вы можете одеть это на тело. удача +1».
        for (QStringView part : line.split(u',')) {
            const qsizetype sentenceEnd = part.lastIndexOf(u". ");
            if (sentenceEnd >= 0)
                part = part.sliced(sentenceEnd + 2);
            if (const std::optional<LoreNumber> number = trailingNumber(part))
                add(*number);
        }
    }
    return found;
}

QList<ComparedNumber> compareLoreNumbers(const QList<LoreNumber> &left,
                                         const QList<LoreNumber> &right, const QString &leftName,
                                         const QString &rightName)
{
    QList<ComparedNumber> rows;
    QList<bool> lowerBetter; ///< per row, as the number that made the row says
    const auto rowOf = [&](const LoreNumber &number) -> ComparedNumber & {
        for (ComparedNumber &row : rows) {
            if (row.property == number.property)
                return row;
        }
        rows.append(ComparedNumber{number.property, {}, {}, Favours::Neither, 0, {}});
        lowerBetter.append(lowerIsBetter(number));
        return rows.last();
    };
    for (const LoreNumber &number : left)
        rowOf(number).left = number.value;
    for (const LoreNumber &number : right)
        rowOf(number).right = number.value;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        ComparedNumber &row = rows[i];
        if (!row.left || !row.right) {
            row.words = u"только у "_s + quoted(row.left ? leftName : rightName);
            continue;
        }
        const int difference = *row.right - *row.left;
        if (difference == 0) {
            row.words = u"поровну"_s;
            continue;
        }
        const bool rightHigher = difference > 0;
        const bool rightBetter = lowerBetter[i] ? !rightHigher : rightHigher;
        row.favours = rightBetter ? Favours::Right : Favours::Left;
        row.by = std::abs(difference);
        row.words =
            u"лучше у %1 на %2"_s.arg(quoted(rightBetter ? rightName : leftName)).arg(row.by);
    }
    return rows;
}
