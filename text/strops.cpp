#include "text/strops.h"

#include "text/sse2.h"

#include <QList>

#include <algorithm>
#include <bit>

namespace {

/// lowerChar of every UTF-16 code unit, filled once: lower-casing by look-up.
const char16_t *lowerCaseTable()
{
    static const QList<char16_t> table = [] {
        QList<char16_t> t(0x10000);
        for (int c = 0; c < 0x10000; ++c)
            t[c] = lowerChar(char16_t(c));
        return t;
    }();
    return table.constData();
}

} // namespace

/// The first `needle` in `s`, 0-based; -1 when absent. Lines are short: comparing at each
/// place where the first character matches is cheaper there than QStringView::indexOf, which
/// prepares a skip table on every call for longer needles.
qsizetype indexOfText(QStringView s, QStringView needle)
{
    constexpr qsizetype kShortText = 512;
    if (s.size() > kShortText)
        return s.indexOf(needle, 0, Qt::CaseSensitive);
    const char16_t *p = s.utf16();
    const char16_t *q = needle.utf16();
    const qsizetype m = needle.size();
    const char16_t first = q[0];
    for (qsizetype k = 0, last = s.size() - m; k <= last; ++k) {
        if (p[k] == first && std::equal(q + 1, q + m, p + k + 1))
            return k;
    }
    return -1;
}

qsizetype posOf(QStringView needle, QStringView s)
{
    if (needle.isEmpty())
        return 0;
    return indexOfText(s, needle) + 1;
}

qsizetype indexOfFrom(QStringView s, QStringView needle, qsizetype from)
{
    const qsizetype p = posOf(needle, s.sliced(from));
    return p > 0 ? from + p - 1 : -1;
}

bool containsText(QStringView s, QStringView needle)
{
    return posOf(needle, s) > 0;
}

QString partFrom(const QString &s, qsizetype k)
{
    if (k < 1)
        return s;
    if (k > s.size())
        return QString();
    return s.mid(k - 1);
}

QString firstChars(const QString &s, qsizetype n)
{
    if (n <= 0)
        return QString();
    return s.left(n);
}

QString removeEvery(const QString &s, QStringView what)
{
    return replaceEvery(s, what, QStringView());
}

QString replaceEvery(const QString &s, QStringView what, QStringView with)
{
    if (what.isEmpty() || !s.contains(what))
        return s;
    QString result = s;
    result.replace(what.toString(), with.toString(), Qt::CaseSensitive);
    return result;
}

QStringView trimText(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && s[end - 1].unicode() <= 0x20)
        --end;
    return s.sliced(begin, end - begin);
}

QString trimText(const QString &s)
{
    const QStringView trimmed = trimText(QStringView(s));
    if (trimmed.size() == s.size())
        return s;
    return trimmed.toString();
}

char16_t lowerChar(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    if (c >= 0x0410 && c <= 0x042F) // А..Я
        return char16_t(c + 32);
    if (c >= 0x0430 && c <= 0x045F) // а..я, ѐ..џ
        return c;
    if (c >= 0x0400 && c <= 0x040F) // Ѐ..Џ, Ё among them
        return char16_t(c + 80);
    return QChar::toLower(c);
}

QString lowerText(QStringView s)
{
    QString result(s.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(result.data());
    const char16_t *in = s.utf16();
    const char16_t *lower = lowerCaseTable();
    for (qsizetype i = 0; i < s.size(); ++i)
        out[i] = lower[in[i]];
    return result;
}

bool equalsIgnoringCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    const char16_t *lower = lowerCaseTable();
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (pa[i] != pb[i] && lower[pa[i]] != lower[pb[i]])
            return false;
    }
    return true;
}

QString caseFoldKey(QStringView s)
{
    return lowerText(s);
}

size_t qHash(CaseFoldedView key, size_t seed) noexcept
{
    // The lower-cased code units four at a time into one 64-bit word, each word mixed in by a
    // multiplication: texts equal ignoring case hash alike.
    constexpr quint64 k = 0x9E3779B97F4A7C15ULL;
    const char16_t *lower = lowerCaseTable();
    const char16_t *p = key.text.utf16();
    const qsizetype n = key.text.size();
    quint64 h = quint64(seed) ^ (quint64(n) * k);
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        const quint64 w = quint64(lower[p[i]]) | quint64(lower[p[i + 1]]) << 16
            | quint64(lower[p[i + 2]]) << 32 | quint64(lower[p[i + 3]]) << 48;
        h = (h ^ w) * k;
        h ^= h >> 29;
    }
    quint64 w = 0;
    for (int shift = 0; i < n; ++i, shift += 16)
        w |= quint64(lower[p[i]]) << shift;
    h = (h ^ w) * k;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    h ^= h >> 32;
    return size_t(h);
}

CaseFoldedMatcher::CaseFoldedMatcher(const QString &loweredNeedle) : m_needle(loweredNeedle)
{
    const qsizetype m = m_needle.size();
    m_skip.fill(std::max<qsizetype>(m, 1));
    // Horspool's shift: how far the needle may move when the window's last character (by its
    // low byte) is not where the needle would need it.
    for (qsizetype j = 0; j + 1 < m; ++j)
        m_skip[m_needle.at(j).unicode() & 0xFF] = m - 1 - j;
    if (m > 0) {
        m_first = preimageOf(m_needle.front().unicode());
        m_last = preimageOf(m_needle.back().unicode());
    }
}

CaseFoldedMatcher::Preimage CaseFoldedMatcher::preimageOf(char16_t lowered)
{
    Preimage preimage;
    const char16_t *lower = lowerCaseTable();
    for (int c = 0; c < 0x10000; ++c) {
        if (lower[c] != lowered)
            continue;
        if (preimage.count == int(preimage.units.size())) {
            preimage.count = -1; // too many to compare at once
            return preimage;
        }
        preimage.units[preimage.count++] = char16_t(c);
    }
    return preimage;
}

bool CaseFoldedMatcher::matchesAt(const char16_t *at) const
{
    const char16_t *lower = lowerCaseTable();
    const char16_t *p = reinterpret_cast<const char16_t *>(m_needle.constData());
    for (qsizetype j = 0, m = m_needle.size(); j < m; ++j) {
        if (lower[at[j]] != p[j])
            return false;
    }
    return true;
}

qsizetype CaseFoldedMatcher::indexIn(QStringView text, qsizetype from) const
{
    if (m_needle.isEmpty())
        return -1;
    from = std::max<qsizetype>(from, 0);
#if TARNBOOK_SSE2
    if (m_first.count > 0 && m_last.count > 0)
        return pairedIndexIn(text, from);
#endif
    return horspoolIndexIn(text, from);
}

qsizetype CaseFoldedMatcher::horspoolIndexIn(QStringView text, qsizetype from) const
{
    const qsizetype m = m_needle.size();
    const qsizetype n = text.size();
    const char16_t *lower = lowerCaseTable();
    const char16_t *t = text.utf16();
    const char16_t last = m_needle.back().unicode();
    for (qsizetype i = from; i + m <= n;) {
        const char16_t c = lower[t[i + m - 1]];
        if (c == last && matchesAt(t + i))
            return i;
        i += m_skip[c & 0xFF];
    }
    return -1;
}

#if TARNBOOK_SSE2
namespace {

/// Up to four code units, each in every lane of a vector.
struct UnitVectors
{
    __m128i lanes[4];
    int count = 0;

    template<typename Preimage>
    explicit UnitVectors(const Preimage &preimage) : lanes{}, count(preimage.count)
    {
        for (int k = 0; k < count; ++k)
            lanes[k] = _mm_set1_epi16(short(preimage.units[k]));
    }

    /// A mask of the eight code units of `v` that are one of the units.
    __m128i anyOf(__m128i v) const
    {
        __m128i hits = _mm_cmpeq_epi16(v, lanes[0]);
        for (int k = 1; k < count; ++k)
            hits = _mm_or_si128(hits, _mm_cmpeq_epi16(v, lanes[k]));
        return hits;
    }
};

/// The first place at or after `from` where `matchesAt` holds, eight places at a time: a place
/// is a candidate when the text there may be the needle's first character and, m - 1 further,
/// its last. Only candidates are compared in full.
template<typename MatchesAt>
qsizetype pairedSearch(QStringView text, qsizetype from, qsizetype m, const UnitVectors &first,
                       const UnitVectors &last, MatchesAt matchesAt)
{
    const qsizetype n = text.size();
    const char16_t *t = text.utf16();
    qsizetype i = from;
    for (; i + m - 1 + 8 <= n; i += 8) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + i));
        const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + i + m - 1));
        const __m128i both = _mm_and_si128(first.anyOf(atFirst), last.anyOf(atLast));
        unsigned mask = unsigned(_mm_movemask_epi8(both)) & 0x5555u;
        while (mask) {
            const qsizetype at = i + std::countr_zero(mask) / 2;
            if (matchesAt(t + at))
                return at;
            mask &= mask - 1;
        }
    }
    for (; i + m <= n; ++i) {
        if (matchesAt(t + i))
            return i;
    }
    return -1;
}

} // namespace

qsizetype CaseFoldedMatcher::pairedIndexIn(QStringView text, qsizetype from) const
{
    return pairedSearch(text, from, m_needle.size(), UnitVectors(m_first), UnitVectors(m_last),
                        [this](const char16_t *at) { return matchesAt(at); });
}
#endif

ExactMatcher::ExactMatcher(const QString &needle) : m_needle(needle) {}

qsizetype ExactMatcher::indexIn(QStringView text, qsizetype from) const
{
    const qsizetype m = m_needle.size();
    if (m == 0)
        return -1;
    from = std::max<qsizetype>(from, 0);
#if TARNBOOK_SSE2
    struct OneUnit
    {
        std::array<char16_t, 1> units;
        int count = 1;
    };
    const char16_t *needle = reinterpret_cast<const char16_t *>(m_needle.constData());
    return pairedSearch(
        text, from, m, UnitVectors(OneUnit{{needle[0]}}), UnitVectors(OneUnit{{needle[m - 1]}}),
        [needle, m](const char16_t *at) { return std::equal(needle, needle + m, at); });
#else
    return from > text.size() ? -1 : text.indexOf(m_needle, from, Qt::CaseSensitive);
#endif
}
