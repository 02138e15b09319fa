#include "base/itemindex.h"

#include "text/largebuffer.h"
#include "text/strops.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <new>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kRatingsLabel = u"Оценка:";

/// What replacing "  " by " " (left to right, non-overlapping) does to a run of n blanks.
qsizetype halveRun(qsizetype n)
{
    return n / 2 + n % 2;
}

/// Every run of blanks (U+0020) in `s` shortened as `shorten` says, in one pass; with
/// `dropCommas` every "," is removed first (which may join runs). Replacing a text made only
/// of blanks acts on each run of blanks on its own, so repeated replacements of "  " or "   "
/// come down to a function of the run's length.
template<typename Shorten>
QString shortenBlankRuns(QStringView s, Shorten shorten, bool dropCommas)
{
    // Written straight into a buffer of the input's length: the output is never longer.
    QString out(s.size(), Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    qsizetype n = 0;
    qsizetype run = 0;
    const auto putBlanks = [&] {
        for (qsizetype k = shorten(run); k > 0; --k)
            o[n++] = u' ';
        run = 0;
    };
    const char16_t *in = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = in[i];
        if (c == u' ') {
            ++run;
            continue;
        }
        if (dropCommas && c == u',')
            continue;
        putBlanks();
        o[n++] = c;
    }
    putBlanks();
    out.truncate(n);
    return out;
}

/// The class line: trimmed, then "  " -> " " five times over.
QString cleanClassHeader(QStringView line)
{
    return shortenBlankRuns(
        trimText(line),
        [](qsizetype n) {
            for (int k = 0; k < 5; ++k)
                n = halveRun(n);
            return n;
        },
        false);
}

/// `s` without the characters up to U+0020 at both ends, trimmed in place.
void trimInPlace(QString &s)
{
    const QStringView trimmed = trimText(QStringView(s));
    const qsizetype begin = trimmed.data() - s.constData();
    s.truncate(begin + trimmed.size());
    s.remove(0, begin);
}

/// The ratings line: every "Оценка:" removed, then every ","; "   " -> " " once, then
/// "  " -> " " three times; then trimmed.
QString cleanRatings(QStringView line)
{
    QString ratings = shortenBlankRuns(
        removeEvery(line.toString(), kRatingsLabel),
        [](qsizetype n) {
            n = n / 3 + n % 3;
            for (int k = 0; k < 3; ++k)
                n = halveRun(n);
            return n;
        },
        true);
    trimInPlace(ratings);
    return ratings;
}

/// The smallest power of two that holds `rows` at most half full.
qsizetype slotCountFor(qsizetype rows)
{
    return qsizetype(std::bit_ceil(quint64(std::max<qsizetype>(rows, 4)) * 2));
}

} // namespace

QStringView itemIndexNameOf(QStringView headerLine)
{
    const QStringView afterPrefix = headerLine.size() >= 10 ? headerLine.sliced(9) : QStringView();
    const qsizetype p = posOf(u", Тип", afterPrefix);
    return p > 2 ? afterPrefix.first(p - 2) : QStringView();
}

ItemIndex::ItemIndex(std::initializer_list<ItemIndexRow> rows)
    : ItemIndex(QList<ItemIndexRow>(rows))
{}

ItemIndex::ItemIndex(const QList<ItemIndexRow> &rows)
{
    QString text;
    const auto place = [&text](const QString &s) {
        const TextPlace at{quint32(text.size()), quint32(s.size())};
        text.append(s);
        return at;
    };
    struct Given
    {
        TextPlace name, level, classHeader, ratings;
    };
    QList<Given> given;
    given.reserve(rows.size());
    for (const ItemIndexRow &row : rows)
        given.append(
            {place(row.name), place(row.level), place(row.classHeader), place(row.ratings)});
    ItemIndexBuilder builder(std::move(text), rows.size());
    for (const Given &g : given)
        builder.appendGiven(g.name, g.level, g.classHeader, g.ratings);
    *this = builder.take();
}

QStringView ItemIndex::textAt(TextPlace place) const
{
    return QStringView(d->text).sliced(place.start, place.length);
}

qsizetype ItemIndex::size() const
{
    if (m_layers)
        return m_layers->underShown() + m_layers->over.size();
    return d ? d->rows.size() : 0;
}

ItemIndex ItemIndex::layered(const ItemIndex &under, QList<qsizetype> hiddenUnderRows,
                             const ItemIndex &over)
{
    if (hiddenUnderRows.isEmpty() && over.isEmpty())
        return under;
    ItemIndex index;
    index.m_layers = new Layers;
    index.m_layers->under = under;
    index.m_layers->hidden = std::move(hiddenUnderRows);
    index.m_layers->over = over;
    return index;
}

std::pair<const ItemIndex *, qsizetype> ItemIndex::layerRow(qsizetype row) const
{
    const Layers &layers = *m_layers;
    const qsizetype shown = layers.underShown();
    if (row >= shown)
        return {&layers.over, row - shown};
    // The rows shown before hidden row k are hidden[k] - k, which never falls as k grows: the
    // under row is `row` moved past every hidden row with no more rows shown before it.
    const QList<qsizetype> &hidden = layers.hidden;
    const auto passed = std::partition_point(
        hidden.cbegin(), hidden.cend(),
        [&](const qsizetype &h) { return h - (&h - hidden.constData()) <= row; });
    return {&layers.under, row + (passed - hidden.cbegin())};
}

QStringView ItemIndex::name(qsizetype row) const
{
    if (m_layers) {
        const auto [index, r] = layerRow(row);
        return index->name(r);
    }
    return textAt(d->rows.at(row).name);
}

const ItemIndex::Texts &ItemIndex::textsOf(qsizetype row) const
{
    auto it = d->finished.constFind(row);
    if (it != d->finished.cend())
        return *it;
    const Row &r = d->rows.at(row);
    Texts texts;
    if (r.readAsGiven) {
        texts = {textAt(r.level).toString(), textAt(r.classHeader).toString(),
                 textAt(r.ratings).toString()};
    } else {
        texts = {removeEvery(textAt(r.level).toString(), u","),
                 cleanClassHeader(textAt(r.classHeader)), cleanRatings(textAt(r.ratings))};
    }
    return *d->finished.insert(row, std::move(texts));
}

QString ItemIndex::level(qsizetype row) const
{
    if (m_layers) {
        const auto [index, r] = layerRow(row);
        return index->level(r);
    }
    return textsOf(row).level;
}

QString ItemIndex::classHeader(qsizetype row) const
{
    if (m_layers) {
        const auto [index, r] = layerRow(row);
        return index->classHeader(r);
    }
    return textsOf(row).classHeader;
}

QString ItemIndex::ratings(qsizetype row) const
{
    if (m_layers) {
        const auto [index, r] = layerRow(row);
        return index->ratings(r);
    }
    return textsOf(row).ratings;
}

ItemIndexRow ItemIndex::row(qsizetype row) const
{
    if (m_layers) {
        const auto [index, r] = layerRow(row);
        return index->row(r);
    }
    const Texts &texts = textsOf(row);
    return {name(row).toString(), texts.level, texts.classHeader, texts.ratings};
}

QList<ItemIndexRow> ItemIndex::rows() const
{
    QList<ItemIndexRow> all;
    all.reserve(size());
    for (qsizetype r = 0; r < size(); ++r)
        all.append(row(r));
    return all;
}

qsizetype ItemIndex::find(QStringView name) const
{
    if (m_layers) {
        const Layers &layers = *m_layers;
        const qsizetype over = layers.over.find(name);
        if (over >= 0)
            return layers.underShown() + over;
        const qsizetype under = layers.under.find(name);
        const auto at = std::lower_bound(layers.hidden.cbegin(), layers.hidden.cend(), under);
        if (under < 0 || (at != layers.hidden.cend() && *at == under))
            return -1;
        return under - (at - layers.hidden.cbegin());
    }
    if (!d || d->rows.isEmpty())
        return -1;
    const quint32 hash = ItemIndexBuilder::nameHash(name);
    const qsizetype mask = d->nameSlots.size() - 1;
    for (qsizetype s = hash & mask;; s = (s + 1) & mask) {
        const quint32 slot = d->nameSlots.at(s);
        if (slot == 0)
            return -1;
        const Row &r = d->rows.at(slot - 1);
        if (r.nameHash == hash && textAt(r.name) == name)
            return slot - 1;
    }
}

ItemIndexBuilder::ItemIndexBuilder(QString text, qsizetype expectedRows) : d(new ItemIndex::Data)
{
    if (quint64(text.size()) > std::numeric_limits<quint32>::max())
        throw std::bad_alloc(); // beyond what a place can address
    d->text = std::move(text);
    reserveWithLargePages(d->rows, expectedRows);
    const qsizetype slotCount = slotCountFor(expectedRows);
    reserveWithLargePages(d->nameSlots, slotCount);
    d->nameSlots.resize(slotCount);
}

quint32 ItemIndexBuilder::nameHash(QStringView name)
{
    return quint32(qHash(CaseFoldedView{name}));
}

bool ItemIndexBuilder::appendUnlessNamed(TextPlace name, quint32 hash, TextPlace levelChars,
                                         TextPlace classLine, TextPlace ratingsLine)
{
    const QStringView text(d->text);
    const QStringView nameText = text.sliced(name.start, name.length);
    const qsizetype mask = d->nameSlots.size() - 1;
    qsizetype s = hash & mask;
    for (; d->nameSlots.at(s) != 0; s = (s + 1) & mask) {
        const ItemIndex::Row &r = d->rows.at(d->nameSlots.at(s) - 1);
        if (r.nameHash == hash
            && equalsIgnoringCase(text.sliced(r.name.start, r.name.length), nameText))
            return false;
    }
    d->rows.append({name, levelChars, classLine, ratingsLine, hash, false});
    d->nameSlots[s] = quint32(d->rows.size());
    growSlotsIfFull();
    return true;
}

void ItemIndexBuilder::appendGiven(TextPlace name, TextPlace level, TextPlace classHeader,
                                   TextPlace ratings)
{
    const quint32 hash = nameHash(QStringView(d->text).sliced(name.start, name.length));
    d->rows.append({name, level, classHeader, ratings, hash, true});
    addToSlots(d->rows.size() - 1);
    growSlotsIfFull();
}

ItemIndex ItemIndexBuilder::take()
{
    ItemIndex index;
    index.d = std::move(d);
    return index;
}

void ItemIndexBuilder::addToSlots(qsizetype row)
{
    const qsizetype mask = d->nameSlots.size() - 1;
    qsizetype s = d->rows.at(row).nameHash & mask;
    while (d->nameSlots.at(s) != 0)
        s = (s + 1) & mask;
    d->nameSlots[s] = quint32(row + 1);
}

void ItemIndexBuilder::growSlotsIfFull()
{
    if (d->rows.size() * 2 <= d->nameSlots.size())
        return;
    // Re-inserted in row order, so rows of one name keep their order along the probe.
    d->nameSlots.fill(0, slotCountFor(d->rows.size()));
    for (qsizetype row = 0; row < d->rows.size(); ++row)
        addToSlots(row);
}
