#include "base/lore.h"

#include "base/combinedbase.h"
#include "base/staffbase.h"
#include "text/strops.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 kAqua = 0xFF00FFFF;
constexpr quint32 kRed = 0xFFFF0000;
constexpr quint32 kYellow = 0xFFFFFF00;
constexpr quint32 kLime = 0xFF00FF00;
constexpr quint32 kTeal = 0xFF008080;
constexpr quint32 kGrey = 0xFF808080;

struct SlotRow
{
    QStringView phrase;
    QStringView label;
};

const SlotRow kSlotRows[] = {
    {u"Вы можете одеть это на тело.", u"Тело"},
    {u"Вы можете одеть это на запястье.", u"Запястье"},
    {u"Вы можете одеть это на дополнительный слот.", u"Доп. слот"},
    {u"Вы можете одеть это на голову.", u"Голова"},
    {u"Вы можете одеть это на шею.", u"Шея"},
    {u"Вы можете накинуть это на плечи.", u"Плечи"},
    {u"Вы можете одеть это вокруг талии.", u"Талия"},
    {u"Вы можете одеть это на кисти рук.", u"Кисти"},
    {u"Вы можете одеть это на руки.", u"Руки"},
    {u"Вы можете одеть это на ноги.", u"Ноги"},
    {u"Вы можете использовать это как обувь.", u"Обувь"},
    {u"Вы можете одеть это на палец.", u"Палец"},
    {u"Вы можете использовать это как щит.", u"Щит"},
    {u"Оружейное умение: Рукопашный бой", u"Рукопашный бой"},
    {u"Оружейное умение: Длинные лезвия", u"Длинные лезвия"},
    {u"Оружейное умение: Короткие лезвия", u"Короткие лезвия"},
    {u"Оружейное умение: Проникающие", u"Проникающие"},
    {u"Оружейное умение: Топоры", u"Топоры"},
    {u"Оружейное умение: Посохи", u"Посохи"},
    {u"Оружейное умение: Дубины и палицы", u"Дубины и палицы"},
    {u"Оружейное умение: Копья", u"Копья"},
    {u"Оружейное умение: Луки", u"Луки"},
    {u"Оружейное умение: Арбалеты", u"Арбалеты"},
    {u"Оружейное умение: Пращи", u"Пращи"},
    {u"Оружейное умение: Разнообразное", u"Разнообразное"},
    {u"Тип предмета: Ингредиент", u"Ингредиент"},
    {u"Тип предмета: Обычный", u"В левую руку"},
    {u"Тип предмета: Свиток", u"Свиток"},
    {u"Тип предмета: Книга", u"Книга"},
    {u"Тип предмета: Напиток", u"Напиток"},
};

struct KeywordRow
{
    QStringView keyword;
    qsizetype length;
    quint32 colour;
};

// The light keywords colour one character more than their own length (the blank after them).
const KeywordRow kKeywords[] = {
    {u"Требует для использования:", 26, kRed},
    {u"Места лоада:", 12, kYellow},
    {u"Зона лоада:", 11, kYellow},
    {u"Умение:", 7, kLime},
    {u"Цвет:", 5, kLime},
    {u"Оружейное умение:", 17, kLime},
    {u"Модификаторы :", 14, kLime},
    {u"!ВОИН", 5, kTeal},
    {u"!ВАРВАР", 7, kTeal},
    {u"!СЛЕДОПЫТ", 9, kTeal},
    {u"!ВОР", 4, kTeal},
    {u"!ПАЛАДИН", 8, kTeal},
    {u"!РЫЦАРЬ_СМЕРТИ", 14, kTeal},
    {u"!ЛЕКАРЬ", 7, kTeal},
    {u"!НЕКРОМАНТ", 10, kTeal},
    {u"!МАГ", 4, kTeal},
    {u"!ДРУИД", 6, kTeal},
    {u"ВЗЯТЬ", 5, kTeal},
    {u"!НАЙТИ", 6, kTeal},
    {u"РАССЫПЕТСЯ", 10, kTeal},
    {u"!ПК", 3, kTeal},
    {u"ДЕРЖАТЬ", 7, kTeal},
    {u"В_ДВЕ_РУКИ", 10, kTeal},
    {u"!ВЫБИТЬ", 7, kYellow},
    {u"В_ПРАВУЮ_РУКУ", 13, kTeal},
    {u"В_ЛЕВУЮ_РУКУ", 12, kTeal},
    {u"ДАЛЬНЕГО_БОЯ", 12, kTeal},
    {u"!УКРАСТЬ", 8, kTeal},
    {u"!ПРОДАТЬ", 8, kTeal},
    {u"!РЕНТ", 5, kTeal},
    {u"СВЕТ", 5, kYellow},
    {u"МАГИЧЕСКИЙ_СВЕТ", 16, kYellow},
};

constexpr QStringView kModifiersHeading = u"Модификаторы :";
constexpr QStringView kLoadPlaces = u"Места лоада:";
constexpr QStringView kLoadZone = u"Зона лоада:";

/// Word characters for the whole-word test: letters, digits and "_", so that a flag such as
/// "СВЕТ" is not found inside "МАГИЧЕСКИЙ_СВЕТ" and "В_ДВЕ_РУКИ" counts as one word.
bool isWordChar(QChar c)
{
    return c.isLetter() || c.isDigit() || c == u'_';
}

/// Finds texts in the lore: whole words ignoring letter case, or exact text anywhere.
class LoreFinder
{
public:
    explicit LoreFinder(QStringView lore) : m_lore(lore), m_lower(lowerText(lore)) {}

    qsizetype size() const { return m_lore.size(); }

    /// Smallest p >= from with p + length(s) <= to where s stands as a whole word, letter case
    /// ignored; -1 when there is none.
    qsizetype findWord(QStringView s, qsizetype from, qsizetype to) const
    {
        const QString needle = lowerText(s);
        qsizetype p = std::max<qsizetype>(from, 0);
        while (true) {
            p = QStringView(m_lower).indexOf(needle, p);
            if (p < 0 || p + needle.size() > to)
                return -1;
            if (isWholeWord(p, needle.size()))
                return p;
            ++p;
        }
    }

    /// Smallest p >= from at which s stands with its letter case; -1 when there is none.
    qsizetype findExact(QStringView s, qsizetype from) const
    {
        return m_lore.indexOf(s, std::max<qsizetype>(from, 0));
    }

private:
    bool isWholeWord(qsizetype p, qsizetype length) const
    {
        if (p > 0 && isWordChar(m_lore[p - 1]))
            return false;
        const qsizetype after = p + length;
        return after >= m_lore.size() || !isWordChar(m_lore[after]);
    }

    QStringView m_lore;
    QString m_lower;
};

struct ModifiersStretch
{
    qsizetype heading = -1;     ///< where "Модификаторы :" stands
    qsizetype loadHeading = -1; ///< where the first load-place heading stands
};

ModifiersStretch findModifiersStretch(const LoreFinder &finder)
{
    const qsizetype end = finder.size();
    ModifiersStretch stretch;
    stretch.heading = finder.findWord(kModifiersHeading, 1, end);
    stretch.loadHeading = finder.findWord(kLoadPlaces, 1, end);
    if (stretch.loadHeading == -1)
        stretch.loadHeading = finder.findWord(kLoadZone, 1, end);
    return stretch;
}

/// Spans that would colour backwards (records without the expected markers) are dropped:
/// they colour nothing.
void addSpan(QList<LoreSpan> &spans, qsizetype start, qsizetype length, quint32 colour)
{
    if (length >= 0)
        spans.append({start, length, colour});
}

} // namespace

QStringList CollectLoreLines(const QString &key, const StaffBase &base)
{
    // Copying starts at each header quoting the key and stops at the next end line. A quoting
    // header met while copying is copied like any line, so only headers past the last stretch
    // start a new one.
    QStringList lines;
    const QList<qsizetype> &ends = base.endLines();
    qsizetype copiedUntil = 0;
    for (qsizetype header : base.headerLinesQuoting(key)) {
        if (header < copiedUntil)
            continue;
        const auto end = std::lower_bound(ends.cbegin(), ends.cend(), header);
        const qsizetype stop = end == ends.cend() ? base.lineCount() : *end;
        for (qsizetype i = header; i < stop; ++i)
            lines.append(base.line(i).toString());
        copiedUntil = std::max(stop, header + 1);
    }
    return lines;
}

QStringList CollectLoreLines(const QString &key, const CombinedBase &base)
{
    QStringList lines = CollectLoreLines(key, base.captured());
    return lines.isEmpty() ? CollectLoreLines(key, base.staff()) : lines;
}

QString missingItemText(const QString &key)
{
    return u"Предмета «%1» нет в базе стафа"_s.arg(key);
}

QString loreText(const QStringList &lines)
{
    qsizetype total = 0;
    for (const QString &line : lines)
        total += line.size() + 1;
    QString text;
    text.reserve(total);
    for (const QString &line : lines) {
        text += line;
        text += u'\n';
    }
    return text;
}

QString SlotLabelFor(QStringView lore)
{
    QStringView label;
    for (const SlotRow &row : kSlotRows) {
        if (containsText(lore, row.phrase))
            label = row.label;
    }
    return label.toString();
}

QList<LoreSpan> ComputeLoreSpans(QStringView lore, qsizetype firstLineLength)
{
    QList<LoreSpan> spans;
    if (lore.isEmpty())
        return spans;
    const LoreFinder finder(lore);
    const qsizetype end = lore.size();

    // Item name. Both searches start at position 1, so a header's own "Предмет" at 0 is not
    // found and h is normally -1.
    const qsizetype h = finder.findWord(u"Предмет ", 1, 1 + firstLineLength);
    const qsizetype t = finder.findWord(u", Тип предмета:", 1, 1 + firstLineLength);
    addSpan(spans, h + 10, t - h - 11, kAqua);

    for (const KeywordRow &row : kKeywords) {
        const qsizetype p = finder.findWord(row.keyword, 1, end);
        if (p >= 0)
            addSpan(spans, p, row.length, row.colour);
    }

    const ModifiersStretch stretch = findModifiersStretch(finder);
    if (stretch.heading > 0) {
        const qsizetype blockStart = stretch.heading + kModifiersHeading.size();
        const qsizetype blockEnd = stretch.loadHeading == -1 ? end : stretch.loadHeading;
        addSpan(spans, blockStart, blockEnd - blockStart, kGrey);
    }

    for (qsizetype p = finder.findExact(u"+", 0); p >= 0; p = finder.findExact(u"+", p + 3))
        addSpan(spans, p, 3, kLime);

    // Without a modifiers heading there is no stretch for minus marks: none is marked.
    if (stretch.heading >= 0) {
        for (qsizetype p = finder.findExact(u"-", stretch.heading); p >= 0;
             p = finder.findExact(u"-", p + 3)) {
            if (stretch.loadHeading > 0 && p > stretch.loadHeading)
                break;
            addSpan(spans, p, 3, kRed);
        }
    }
    return spans;
}
