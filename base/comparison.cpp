#include "base/comparison.h"

#include "base/recordmarkers.h"
#include "text/strops.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kRatingProperty = u"оценка ";
constexpr QStringView kSavingThrows = u"спас";
constexpr QStringView kWeight = u"вес";
constexpr qsizetype kMaxWholeDigits = 9;
constexpr qsizetype kMaxDecimals = 3;

bool isMinus(QChar c)
{
    return c == u'-' || c == u'\u2212' || c == u'\u2013';
}

/// A decimal digit of any script («7», «٧», «７»).
bool isDigit(QChar c)
{
    return c.isDigit() && c.digitValue() >= 0;
}

bool isDecimalPoint(QChar c)
{
    return c == u'.' || c == u',';
}

/// A number written at the end of a text, unsigned: its value in thousandths, the digits
/// after its decimal point, and where it starts.
struct WrittenNumber
{
    qint64 thousandths = 0;
    int decimals = 0;
    qsizetype start = 0;
};

qint64 digitsValue(QStringView digits)
{
    qint64 value = 0;
    for (const QChar c : digits)
        value = value * 10 + c.digitValue();
    return value;
}

/// The unsigned number, whole or with a decimal point or comma, that ends `text`; none when
/// the text does not end in a digit or the number is longer than this reads exactly.
std::optional<WrittenNumber> numberAtEnd(QStringView text)
{
    qsizetype start = text.size();
    while (start > 0 && isDigit(text[start - 1]))
        --start;
    if (start == text.size())
        return std::nullopt;
    QStringView whole = text.sliced(start);
    QStringView fraction;
    if (start >= 2 && isDecimalPoint(text[start - 1]) && isDigit(text[start - 2])) {
        fraction = whole;
        const qsizetype point = start - 1;
        start = point;
        while (start > 0 && isDigit(text[start - 1]))
            --start;
        whole = text.sliced(start, point - start);
    }
    if (whole.size() > kMaxWholeDigits || fraction.size() > kMaxDecimals)
        return std::nullopt;
    qint64 thousandths = digitsValue(whole) * 1000;
    qint64 scale = 100;
    for (const QChar c : fraction) {
        thousandths += c.digitValue() * scale;
        scale /= 10;
    }
    return WrittenNumber{thousandths, int(fraction.size()), start};
}

/// A property's name ends in a letter and holds no digit, so that what stands before the last
/// number of a range or a time («уровень 10-», «таймер 1:») names nothing.
bool isPropertyName(QStringView name)
{
    return !name.isEmpty() && name.back().isLetter()
        && std::none_of(name.begin(), name.end(), [](QChar c) { return c.isDigit(); });
}

Better directionOf(const QString &property, bool signedValue, bool requirement)
{
    if (requirement || property == kLevelMarker || containsText(property, kSavingThrows)
        || lowerText(property) == kWeight)
        return Better::Lower;
    return signedValue ? Better::Higher : Better::Unknown;
}

/// The number that ends `part` and the name before it; none when the part does not end in a
/// number or what stands before it is not a name.
std::optional<LoreNumber> trailingNumber(QStringView part, bool requirement)
{
    const QStringView text = trimText(part);
    const std::optional<WrittenNumber> written = numberAtEnd(text);
    if (!written)
        return std::nullopt;
    LoreNumber number;
    number.thousandths = written->thousandths;
    number.decimals = written->decimals;
    qsizetype before = written->start;
    const auto skipSpaces = [&] {
        while (before > 0 && text[before - 1].isSpace())
            --before;
    };
    skipSpaces();
    if (before > 0 && (text[before - 1] == u'+' || isMinus(text[before - 1]))) {
        number.signedValue = true;
        if (isMinus(text[before - 1]))
            number.thousandths = -number.thousandths;
        --before;
        skipSpaces();
    }
    while (before > 0 && (text[before - 1] == u':' || text[before - 1] == u'=')) {
        --before;
        skipSpaces();
    }
    // Digits that close a word («ур20») are part of the name.
    if (before == written->start)
        return std::nullopt;
    QStringView name = trimText(text.first(before));
    // «Модификаторы: удача +2»: the name is what follows the label.
    if (const qsizetype label = name.lastIndexOf(u": "); label >= 0)
        name = trimText(name.sliced(label + 2));
    if (!isPropertyName(name))
        return std::nullopt;
    number.property = requirement ? requirementProperty(name.toString()) : name.toString();
    number.better = directionOf(number.property, number.signedValue, requirement);
    return number;
}

/// The line split at its commas, but for a decimal comma between two digits («вес 2,5»).
QList<QStringView> commaParts(QStringView line)
{
    QList<QStringView> parts;
    qsizetype from = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u',')
            continue;
        const bool decimalComma = i > 0 && i + 1 < line.size() && isDigit(line[i - 1])
            && isDigit(line[i + 1]);
        if (decimalComma)
            continue;
        parts.append(line.sliced(from, i - from));
        from = i + 1;
    }
    parts.append(line.sliced(from));
    return parts;
}

/// «Оценка: 6, 5, 7»
bool isRatingsLine(QStringView line)
{
    return line.startsWith(kRatingsMarker)
        && trimText(line.sliced(kRatingsMarker.size())).startsWith(u':');
}

/// «оценка Мг» 6 and so on, from the ratings line and the class line above it; a rating that
/// is not a plain number is left out.
QList<LoreNumber> ratings(QStringView classLine, QStringView ratingsLine)
{
    const QStringView values = trimText(ratingsLine.sliced(kRatingsMarker.size())).sliced(1);
    const QList<QStringView> classes = classLine.split(u' ', Qt::SkipEmptyParts);
    const QList<QStringView> written = values.split(u',', Qt::SkipEmptyParts);
    QList<LoreNumber> found;
    for (qsizetype i = 0; i < std::min(classes.size(), written.size()); ++i) {
        const std::optional<WrittenNumber> value = numberAtEnd(trimText(written[i]));
        if (!value || value->start != 0)
            continue;
        found.append({kRatingProperty.toString() + classes[i].toString(), value->thousandths,
                      value->decimals, false, Better::Higher});
    }
    return found;
}

/// A number of thousandths with `decimals` digits after the decimal comma, without a sign.
QString magnitudeText(qint64 thousandths, int decimals)
{
    const qint64 magnitude = std::abs(thousandths);
    QString text = QString::number(magnitude / 1000);
    if (decimals > 0) {
        text += u',';
        text += QString::number(magnitude % 1000).rightJustified(3, u'0').first(decimals);
    }
    return text;
}

QString quoted(const QString &name)
{
    return u"«"_s + name + u"»"_s;
}

} // namespace

QString requirementProperty(const QString &name)
{
    return name + u" (требуется)"_s;
}

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
        QStringView line = trimText(QStringView(loreLines[i]));
        if (isRatingsLine(line)) {
            for (const LoreNumber &rating : ratings(trimText(QStringView(loreLines[i - 1])), line))
                add(rating);
            continue;
        }
        const bool requirements = line.startsWith(kRequirementMarker);
        if (requirements)
            line = line.sliced(kRequirementMarker.size());
        // Each part of a line between commas, from its last sentence on, may end in a number:
        // «мин.уровень 5, удача +2», «Вы можете одеть это на тело. удача +1».
        for (QStringView part : commaParts(line)) {
            const qsizetype sentenceEnd = part.lastIndexOf(u". ");
            if (sentenceEnd >= 0)
                part = part.sliced(sentenceEnd + 2);
            if (const std::optional<LoreNumber> number = trailingNumber(part, requirements))
                add(*number);
        }
    }
    return found;
}

QString loreNumberText(const LoreNumber &number)
{
    const QString magnitude = magnitudeText(number.thousandths, number.decimals);
    if (number.thousandths < 0)
        return u'-' + magnitude;
    return number.signedValue && number.thousandths > 0 ? u'+' + magnitude : magnitude;
}

QList<ComparedNumber> compareLoreNumbers(const QList<LoreNumber> &left,
                                         const QList<LoreNumber> &right, const QString &leftName,
                                         const QString &rightName)
{
    QList<ComparedNumber> rows;
    const auto rowOf = [&](const LoreNumber &number) -> ComparedNumber & {
        for (ComparedNumber &row : rows) {
            if (row.property == number.property)
                return row;
        }
        rows.append(ComparedNumber{number.property, {}, {}, Favours::Neither, {}});
        return rows.last();
    };
    for (const LoreNumber &number : left)
        rowOf(number).left = number;
    for (const LoreNumber &number : right)
        rowOf(number).right = number;
    for (ComparedNumber &row : rows) {
        if (!row.left || !row.right) {
            row.words = u"только у "_s + quoted(row.left ? leftName : rightName);
            continue;
        }
        const qint64 difference = row.right->thousandths - row.left->thousandths;
        if (difference == 0) {
            row.words = u"поровну"_s;
            continue;
        }
        const QString by = magnitudeText(difference,
                                         std::max(row.left->decimals, row.right->decimals));
        const bool rightHigher = difference > 0;
        // Both numbers must tell the same direction: a modifier against a quantity of the
        // same name gives no verdict.
        const Better better = row.left->better == row.right->better ? row.left->better
                                                                    : Better::Unknown;
        if (better == Better::Unknown) {
            row.words = u"больше у %1 на %2"_s.arg(quoted(rightHigher ? rightName : leftName), by);
            continue;
        }
        const bool rightBetter = better == Better::Lower ? !rightHigher : rightHigher;
        row.favours = rightBetter ? Favours::Right : Favours::Left;
        row.words = u"лучше у %1 на %2"_s.arg(quoted(rightBetter ? rightName : leftName), by);
    }
    return rows;
}
