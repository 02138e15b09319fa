#include "base/staffbase.h"

#include "base/parallel.h"
#include "base/search.h"
#include "text/error.h"
#include "text/largebuffer.h"
#include "text/strops.h"

#include <QFileInfo>
#include <QSet>
#include <QStringMatcher>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <bit>
#include <functional>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView kHeaderMarker = u"Предмет";
constexpr QStringView kEndMarker = u"<end node>";
constexpr QStringView kRatingsMarker = u"Оценка";
constexpr QStringView kLevelMarker = u"мин.уровень";

/// A header line with more apostrophes than this is searched directly instead of listing
/// every text between two of them (n apostrophes enclose n(n-1)/2 texts).
constexpr qsizetype kMaxIndexedQuotes = 16;

bool holdsLineBreak(QStringView s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

/// True when `marker` stands in `text` at position `at`.
bool standsAt(QStringView text, qsizetype at, QStringView marker)
{
    return at >= 0 && at + marker.size() <= text.size() && text.sliced(at, marker.size()) == marker;
}

/// QList::squeeze() without its fault: Qt does not check the smaller block it allocates and
/// writes through a null pointer when memory is short. Here the list keeps its larger block
/// instead. A list that holds most of its room is left as it is: the pages of its room never
/// written take no memory, and copying a table of millions of lines costs more than it saves.
template<typename T>
void shrinkToSize(QList<T> &list)
{
    if (list.capacity() - list.size() <= list.size() / 4)
        return;
    QList<T> exact;
    exact.reserve(list.size());
    if (exact.capacity() < list.size())
        return;
    exact.append(list.cbegin(), list.cend());
    list.swap(exact);
}

/// The bytes that stand for the characters the line scan stops at, in a single-byte code page
/// where each of those characters has one byte and no other: comparing bytes then finds
/// exactly the places that comparing the decoded characters finds.
struct ScanBytes
{
    uchar lf = 0, cr = 0, apostrophe = 0;
    uchar headerFirst = 0, headerNext = 0, endFirst = 0, endNext = 0, levelDot = 0, levelNext = 0;
};

/// The line scan's bytes in a code page given as the characters of its 256 bytes; none when
/// one of those characters has no byte or several.
std::optional<ScanBytes> scanBytesOf(const QList<char16_t> &table)
{
    if (table.size() != 256)
        return std::nullopt;
    bool unique = true;
    const auto byteOf = [&](QChar c) {
        int found = -1;
        for (int b = 0; b < 256; ++b) {
            if (table.at(b) != c.unicode())
                continue;
            if (found >= 0)
                unique = false;
            found = b;
        }
        if (found < 0)
            unique = false;
        return uchar(std::max(found, 0));
    };
    ScanBytes bytes;
    bytes.lf = byteOf(u'\n');
    bytes.cr = byteOf(u'\r');
    bytes.apostrophe = byteOf(u'\'');
    bytes.headerFirst = byteOf(kHeaderMarker[0]);
    bytes.headerNext = byteOf(kHeaderMarker[1]);
    bytes.endFirst = byteOf(kEndMarker[0]);
    bytes.endNext = byteOf(kEndMarker[1]);
    bytes.levelDot = byteOf(kLevelMarker[3]);
    bytes.levelNext = byteOf(kLevelMarker[4]);
    if (!unique)
        return std::nullopt;
    return bytes;
}

/// The lines of a piece of a text that begins and ends at line starts, the lines holding the
/// three markers, and the texts that header lines enclose in apostrophes, found in one pass:
/// every line break, every apostrophe and every character that can begin (or, for the level
/// marker, sits inside) a marker is visited, and a marker is checked only there. A marker holds
/// no line break, so a marker found at a position lies inside the line that position belongs
/// to. Line numbers count from the piece's first line; positions are the whole text's.
class LineScan
{
public:
    /// `roomFor`: the number of characters whose lines the line table makes room for.
    LineScan(QStringView text, qsizetype begin, qsizetype end, qsizetype roomFor)
        : m_text(text), m_lineStart(begin), m_end(end)
    {
        // Room for lines of 24 characters on average; pages never written cost no memory,
        // and a list left far larger than its lines is shrunk at the end.
        reserveWithLargePages(lines, roomFor / 24 + 16);
    }

    /// Scans the piece; quotedInHeader comes out sorted.
    void run();
    /// Appends the scan of the piece that follows this one.
    void append(const LineScan &next);

    // A scan fed as the text is decoded: visitRange and visitBytes in ascending order over
    // the whole text, each part visited once, then finish.

    /// The text as decoded so far; every place visited must be followed by at least
    /// kLookAhead decoded characters unless it is near the text's end.
    void setText(QStringView text) { m_text = text; }
    /// Visits the characters at [from, to) of the text that matter, one by one.
    void visitRange(qsizetype from, qsizetype to);
    /// Visits, sixteen bytes at a time, the places [from, to) of a piece of bytes in a
    /// single-byte code page whose characters may matter; byte i of the piece is character
    /// at + i of the text, and the piece holds at least one byte after `to`.
    void visitBytes(const uchar *piece, qsizetype at, qsizetype from, qsizetype to,
                    const ScanBytes &bytes);
    /// Ends the last line at `end`, the text's end, and sorts quotedInHeader.
    void finish(qsizetype end);

    /// How far past a visited place the visit may read: past the longest marker, and the LF
    /// of a CR LF.
    static constexpr qsizetype kLookAhead = 16;

    QList<StaffBase::PackedLine> lines;
    QList<qsizetype> headers;
    QList<qsizetype> ends;
    QList<qsizetype> levels;
    QList<StaffBase::QuotedText> quotedInHeader; ///< in line order; sorted by the caller
    QList<qsizetype> headersWithManyQuotes;      ///< positions in `headers`

private:
    /// The level marker is looked for at its ".", which is rarer than its first letter.
    static constexpr qsizetype kLevelDot = 3;

    static bool isInteresting(char16_t c)
    {
        return c == u'\n' || c == u'\r' || c == u'<' || c == u'.' || c == u'П' || c == u'\'';
    }
    void visit(qsizetype k);
    void endLine(qsizetype breakAt);
    void indexQuotes();
    void mark(QList<qsizetype> &list)
    {
        if (list.isEmpty() || list.last() != m_lineNo)
            list.append(m_lineNo);
    }

    QStringView m_text;
    qsizetype m_lineStart = 0;
    qsizetype m_end = 0;
    qsizetype m_lineNo = 0;
    QVarLengthArray<qsizetype, 32> m_quotes; ///< apostrophes of the current line
};

void LineScan::visit(qsizetype k)
{
    const char16_t c = m_text[k].unicode();
    switch (c) {
    case u'\r':
    case u'\n':
        if (k < m_lineStart)
            return; // the LF of a CR LF
        endLine(k);
        m_lineStart = k + 1;
        if (c == u'\r' && k + 1 < m_text.size() && m_text[k + 1] == u'\n')
            ++m_lineStart;
        return;
    case u'\'': m_quotes.append(k); return;
    case u'П':
        if (standsAt(m_text, k, kHeaderMarker))
            mark(headers);
        return;
    case u'<':
        if (standsAt(m_text, k, kEndMarker))
            mark(ends);
        return;
    default: // '.'
        if (standsAt(m_text, k - kLevelDot, kLevelMarker))
            mark(levels);
        return;
    }
}

void LineScan::endLine(qsizetype breakAt)
{
    lines.append({quint32(m_lineStart), quint32(breakAt - m_lineStart)});
    if (!headers.isEmpty() && headers.last() == m_lineNo)
        indexQuotes();
    m_quotes.clear();
    ++m_lineNo;
}

/// Every text between two apostrophes of the current (header) line, each once per line.
void LineScan::indexQuotes()
{
    const qsizetype n = m_quotes.size();
    const qsizetype header = headers.size() - 1;
    if (n > kMaxIndexedQuotes) {
        headersWithManyQuotes.append(header);
        return;
    }
    QVarLengthArray<CaseFoldedView, 8> seen;
    for (qsizetype a = 0; a < n; ++a) {
        for (qsizetype b = a + 1; b < n; ++b) {
            const CaseFoldedView enclosed{
                m_text.sliced(m_quotes[a] + 1, m_quotes[b] - m_quotes[a] - 1)};
            if (n > 2) {
                // Compared ignoring case, as the hash compares its keys.
                if (std::find(seen.cbegin(), seen.cend(), enclosed) != seen.cend())
                    continue;
                seen.append(enclosed);
            }
            quotedInHeader.append({qHash(enclosed), header});
        }
    }
}

void LineScan::run()
{
    const char16_t *p = m_text.utf16();
    const qsizetype n = m_end;
    qsizetype k = m_lineStart;
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
    // Eight characters at a time: most blocks hold none of the characters that matter. A
    // marker's first character (the level marker's ".") counts only when the character after
    // it is the marker's next one, which passes over most "П", "<" and "." of a base.
    const auto all = [](char16_t c) { return _mm_set1_epi16(short(c)); };
    const __m128i lf = all(u'\n');
    const __m128i cr = all(u'\r');
    const __m128i apostrophe = all(u'\'');
    const __m128i headerFirst = all(kHeaderMarker[0].unicode());
    const __m128i headerNext = all(kHeaderMarker[1].unicode());
    const __m128i endFirst = all(kEndMarker[0].unicode());
    const __m128i endNext = all(kEndMarker[1].unicode());
    const __m128i levelDot = all(kLevelMarker[kLevelDot].unicode());
    const __m128i levelNext = all(kLevelMarker[kLevelDot + 1].unicode());
    const auto both = [](__m128i v, __m128i first, __m128i after, __m128i second) {
        return _mm_and_si128(_mm_cmpeq_epi16(v, first), _mm_cmpeq_epi16(after, second));
    };
    // The LF of a CR LF needs no visit: the CR has ended the line. `crBefore` carries a CR
    // in the last place of one block over to the next.
    unsigned crBefore = 0;
    for (; k + 9 <= n; k += 8) { // the block and the character after it
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k + 1));
        const __m128i isLf = _mm_cmpeq_epi16(v, lf);
        const __m128i isCr = _mm_cmpeq_epi16(v, cr);
        const __m128i markers = _mm_or_si128(
            _mm_or_si128(both(v, headerFirst, after, headerNext),
                         both(v, endFirst, after, endNext)),
            _mm_or_si128(both(v, levelDot, after, levelNext), _mm_cmpeq_epi16(v, apostrophe)));
        const __m128i hits = _mm_or_si128(_mm_or_si128(isLf, isCr), markers);
        // One bit per character: bit 2j for the character at k + j.
        const unsigned crMask = unsigned(_mm_movemask_epi8(isCr)) & 0x5555u;
        const unsigned lfAfterCr = unsigned(_mm_movemask_epi8(isLf)) & 0x5555u
            & ((crMask << 2) | crBefore);
        crBefore = (crMask >> 14) & 1u;
        unsigned mask = unsigned(_mm_movemask_epi8(hits)) & 0x5555u & ~lfAfterCr;
        while (mask) {
            visit(k + std::countr_zero(mask) / 2);
            mask &= mask - 1;
        }
    }
#endif
    visitRange(k, n);
    finish(n);
}

void LineScan::visitRange(qsizetype from, qsizetype to)
{
    const char16_t *p = m_text.utf16();
    for (qsizetype k = from; k < to; ++k) {
        if (isInteresting(p[k]))
            visit(k);
    }
}

void LineScan::visitBytes(const uchar *piece, qsizetype at, qsizetype from, qsizetype to,
                          const ScanBytes &bytes)
{
    qsizetype i = from;
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
    // As run() does with characters, with sixteen bytes to a block.
    const auto all = [](uchar c) { return _mm_set1_epi8(char(c)); };
    const __m128i lf = all(bytes.lf);
    const __m128i cr = all(bytes.cr);
    const __m128i apostrophe = all(bytes.apostrophe);
    const __m128i headerFirst = all(bytes.headerFirst);
    const __m128i headerNext = all(bytes.headerNext);
    const __m128i endFirst = all(bytes.endFirst);
    const __m128i endNext = all(bytes.endNext);
    const __m128i levelDot = all(bytes.levelDot);
    const __m128i levelNext = all(bytes.levelNext);
    const auto both = [](__m128i v, __m128i first, __m128i after, __m128i second) {
        return _mm_and_si128(_mm_cmpeq_epi8(v, first), _mm_cmpeq_epi8(after, second));
    };
    unsigned crBefore = 0;
    for (; i + 16 <= to; i += 16) { // the block and the byte after it, which the piece holds
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(piece + i));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(piece + i + 1));
        const __m128i isLf = _mm_cmpeq_epi8(v, lf);
        const __m128i isCr = _mm_cmpeq_epi8(v, cr);
        const __m128i markers = _mm_or_si128(
            _mm_or_si128(both(v, headerFirst, after, headerNext),
                         both(v, endFirst, after, endNext)),
            _mm_or_si128(both(v, levelDot, after, levelNext), _mm_cmpeq_epi8(v, apostrophe)));
        const __m128i hits = _mm_or_si128(_mm_or_si128(isLf, isCr), markers);
        const unsigned crMask = unsigned(_mm_movemask_epi8(isCr));
        const unsigned lfAfterCr = unsigned(_mm_movemask_epi8(isLf)) & ((crMask << 1) | crBefore);
        crBefore = (crMask >> 15) & 1u;
        unsigned mask = unsigned(_mm_movemask_epi8(hits)) & ~lfAfterCr;
        while (mask) {
            visit(at + i + std::countr_zero(mask));
            mask &= mask - 1;
        }
    }
#else
    Q_UNUSED(piece);
    Q_UNUSED(bytes);
#endif
    visitRange(at + i, at + to);
}

void LineScan::finish(qsizetype end)
{
    if (m_lineStart < end)
        endLine(end);
    std::sort(quotedInHeader.begin(), quotedInHeader.end());
}

void LineScan::append(const LineScan &next)
{
    const qsizetype lineOffset = lines.size();
    const qsizetype headerOffset = headers.size();
    const auto appendShifted = [](QList<qsizetype> &to, const QList<qsizetype> &from,
                                  qsizetype offset) {
        to.reserve(to.size() + from.size());
        for (qsizetype i : from)
            to.append(i + offset);
    };
    lines.append(next.lines);
    appendShifted(headers, next.headers, lineOffset);
    appendShifted(ends, next.ends, lineOffset);
    appendShifted(levels, next.levels, lineOffset);
    appendShifted(headersWithManyQuotes, next.headersWithManyQuotes, headerOffset);
    // Both halves are sorted, and every header of the next piece comes after these.
    const qsizetype middle = quotedInHeader.size();
    quotedInHeader.reserve(middle + next.quotedInHeader.size());
    for (const StaffBase::QuotedText &quoted : next.quotedInHeader)
        quotedInHeader.append({quoted.hash, quoted.header + headerOffset});
    std::inplace_merge(quotedInHeader.begin(), quotedInHeader.begin() + middle,
                       quotedInHeader.end());
}

/// Where the pieces of a text start, each at a line start at or after its share of the text,
/// with the text's end last: {0, ..., text.size()}. Fewer pieces when lines are too long.
QList<qsizetype> pieceBounds(QStringView text, int pieces)
{
    QList<qsizetype> bounds{0};
    for (int k = 1; k < pieces; ++k) {
        qsizetype at = std::max(bounds.last(), text.size() / pieces * k);
        while (at < text.size() && text[at] != u'\n' && text[at] != u'\r')
            ++at;
        if (at + 1 >= text.size())
            break;
        at += (text[at] == u'\r' && text[at + 1] == u'\n') ? 2 : 1;
        if (at >= text.size())
            break;
        bounds.append(at);
    }
    bounds.append(text.size());
    return bounds;
}

/// What a header line tells of its item: read for every header apart from the order of the
/// scan, so that the reading can be shared among threads.
struct HeaderFacts
{
    TextPlace name;
    TextPlace classLine; ///< empty unless the line after the next holds "Оценка"
    TextPlace ratingsLine;
    quint32 nameHash = ItemIndexBuilder::nameHash(QStringView());
};

/// Reads the header and level lines of a base for the item index.
class RecordReader
{
public:
    explicit RecordReader(const StaffBase &base) : m_base(base) {}

    HeaderFacts readHeader(qsizetype i) const
    {
        HeaderFacts facts;
        if (containsText(lineOrEmpty(i + 2), kRatingsMarker)) {
            facts.classLine = placeOfLine(i + 1);
            facts.ratingsLine = placeOfLine(i + 2);
        }
        // The name: from the 10th character up to two characters before ", Тип".
        const QStringView line = lineOrEmpty(i);
        const QStringView afterPrefix = line.size() >= 10 ? line.sliced(9) : QStringView();
        const qsizetype p = posOf(u", Тип", afterPrefix);
        const QStringView name = p > 2 ? afterPrefix.first(p - 2) : QStringView();
        facts.name = placeOf(name);
        facts.nameHash = ItemIndexBuilder::nameHash(name);
        return facts;
    }

    /// Two characters from the one after the separator that follows "мин.уровень".
    TextPlace readLevel(qsizetype i) const
    {
        const QStringView line = lineOrEmpty(i);
        const qsizetype from = indexOfFrom(line, kLevelMarker) + kLevelMarker.size() + 1;
        return placeOf(line.mid(from, 2));
    }

    /// Asks for the lines readHeader(i) reads to be brought into the cache.
    void prefetchHeader(qsizetype i) const { prefetchLines(i, i + 2); }

    /// Asks for the first characters of lines `first` to `last` to be brought into the cache.
    void prefetchLines(qsizetype first, qsizetype last) const
    {
        for (qsizetype i = first; i <= std::min(last, m_base.lineCount() - 1); ++i)
            prefetchText(m_base.line(i));
    }

private:
    /// Lines past the end of the base read as empty, so a header in the last lines is safe.
    QStringView lineOrEmpty(qsizetype i) const
    {
        return i < m_base.lineCount() ? m_base.line(i) : QStringView();
    }

    TextPlace placeOfLine(qsizetype i) const
    {
        if (i >= m_base.lineCount())
            return {};
        const LineRange range = m_base.lineRange(i);
        return {quint32(range.start), quint32(range.length)};
    }

    /// Where a view into the base's text stands in it.
    TextPlace placeOf(QStringView part) const
    {
        if (part.isEmpty())
            return {};
        return {quint32(part.data() - m_base.text().constData()), quint32(part.size())};
    }

    const StaffBase &m_base;
};

/// The item being completed during the scan, taken from what its header and level lines
/// tell; the builder keeps the names already given a row.
class IndexScan
{
public:
    explicit IndexScan(const StaffBase &base)
        : m_builder(base.text(), base.headerLines().size() + 1)
    {}

    void readHeader(const HeaderFacts &facts)
    {
        if (m_pending.name.length > 0)
            appendUnlessKnown();
        m_pending = facts;
        m_level = {};
    }

    void readLevel(TextPlace levelChars)
    {
        m_level = levelChars;
        appendUnlessKnown();
    }

    ItemIndex takeIndex() { return m_builder.take(); }

private:
    /// Appends the pending item unless its name (ignoring letter case) already has a row;
    /// then the pending fields stay for the next header to overwrite.
    void appendUnlessKnown()
    {
        if (!m_builder.appendUnlessNamed(m_pending.name, m_pending.nameHash, m_level,
                                         m_pending.classLine, m_pending.ratingsLine))
            return;
        m_pending = HeaderFacts();
        m_level = {};
    }

    ItemIndexBuilder m_builder;
    HeaderFacts m_pending;
    TextPlace m_level;
};

/// `count` results of `read(i)`, made in `pieces` runs of about equal length at once. Each
/// run calls `prefetch(i)` a few places ahead of `read`, so that what read(i) needs is on its
/// way from memory by the time it gets there.
template<typename T, typename Read, typename Prefetch>
std::vector<T> readInPieces(qsizetype count, int pieces, Read read, Prefetch prefetch)
{
    constexpr qsizetype kLookAhead = 8;
    // A std::vector: QList's sized constructor does not report a failed allocation.
    std::vector<T> results;
    reserveWithLargePages(results, count);
    results.resize(count);
    runInPieces(count, pieces, [&](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < std::min(end, begin + kLookAhead); ++i)
            prefetch(i);
        for (qsizetype i = begin; i < end; ++i) {
            if (i + kLookAhead < end)
                prefetch(i + kLookAhead);
            results[i] = read(i);
        }
    });
    return results;
}

/// The line scan of a file read in a single-byte code page, run on each piece's bytes right
/// after the piece is decoded, while they are still in the cache, sixteen bytes at a time.
/// The last bytes of a piece wait for the next one, since a marker or a CR LF may run on
/// into it.
class PieceScan
{
public:
    PieceScan(const ScanBytes &bytes, qsizetype roomFor)
        : m_bytes(bytes), m_scan(QStringView(), 0, 0, roomFor)
    {}

    void operator()(QStringView decoded, QByteArrayView piece, qsizetype at)
    {
        if (at != m_covered) {
            m_inOrder = false;
            return;
        }
        m_covered = at + piece.size();
        m_scan.setText(decoded);
        const qsizetype upTo = m_covered - LineScan::kLookAhead;
        if (upTo <= m_scanned)
            return;
        // The places held back from the pieces before (all of them lie before `at`), then
        // this piece's own.
        const qsizetype ownFrom = std::min(at, upTo);
        m_scan.visitRange(m_scanned, ownFrom);
        if (ownFrom < upTo) {
            m_scan.visitBytes(reinterpret_cast<const uchar *>(piece.data()), at, ownFrom - at,
                              upTo - at, m_bytes);
        }
        m_scanned = upTo;
    }

    /// Whether the pieces told were the whole of `text`, in order.
    bool covered(const QString &text) const { return m_inOrder && m_covered == text.size(); }

    LineScan finish(const QString &text)
    {
        m_scan.setText(text);
        m_scan.visitRange(m_scanned, text.size());
        m_scan.finish(text.size());
        return std::move(m_scan);
    }

private:
    ScanBytes m_bytes;
    LineScan m_scan;
    qsizetype m_scanned = 0; ///< the places before it are visited
    qsizetype m_covered = 0; ///< the characters before it were told
    bool m_inOrder = true;
};

/// The scan of a whole text, its pieces scanned at once and joined in order.
LineScan scanInPieces(QStringView text, int pieces)
{
    const QList<qsizetype> bounds = pieceBounds(text, pieces);
    std::vector<LineScan> scans;
    scans.reserve(bounds.size() - 1);
    for (qsizetype k = 0; k + 1 < bounds.size(); ++k)
        scans.emplace_back(text, bounds[k], bounds[k + 1],
                           k == 0 ? text.size() : bounds[k + 1] - bounds[k]);
    std::vector<std::function<void()>> jobs;
    for (LineScan &scan : scans)
        jobs.push_back([&scan] { scan.run(); });
    runAtOnce(jobs);
    for (std::size_t k = 1; k < scans.size(); ++k)
        scans[0].append(scans[k]);
    return std::move(scans[0]);
}

} // namespace

QStringView StaffBase::line(qsizetype i) const
{
    const PackedLine &r = m_lines.at(i);
    return QStringView(m_text).sliced(r.start, r.length);
}

QString StaffBase::lowerLine(qsizetype i) const
{
    return lowerText(line(i));
}

qsizetype StaffBase::lineOfPosition(qsizetype pos) const
{
    if (pos < 0 || pos >= m_text.size() || m_lines.isEmpty())
        return -1;
    // The last line starting at or before pos.
    const auto it = std::upper_bound(
        m_lines.cbegin(), m_lines.cend(), pos,
        [](qsizetype p, const PackedLine &r) { return p < qsizetype(r.start); });
    if (it == m_lines.cbegin())
        return -1;
    return (it - m_lines.cbegin()) - 1;
}

QList<qsizetype> StaffBase::linesContaining(QStringView needle, bool inLowerCase) const
{
    QList<qsizetype> found;
    if (needle.isEmpty() || holdsLineBreak(needle))
        return found;
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    const CaseFoldedMatcher foldedMatcher(needle.toString());
    const QStringView text(m_text);
    qsizetype from = 0;
    qsizetype lineNo = 0;
    while (true) {
        const qsizetype hit = inLowerCase ? foldedMatcher.indexIn(text, from)
                                          : matcher.indexIn(text, from);
        if (hit < 0)
            break;
        // Hits come in ascending order: walk the line table forward instead of searching it.
        while (qsizetype(m_lines.at(lineNo).start) + m_lines.at(lineNo).length
               < hit + needle.size())
            ++lineNo;
        found.append(lineNo);
        from = qsizetype(m_lines.at(lineNo).start) + m_lines.at(lineNo).length;
        if (++lineNo >= m_lines.size())
            break;
    }
    return found;
}

QList<qsizetype> StaffBase::quotingCandidates(QStringView text) const
{
    QList<qsizetype> headers;
    if (!m_quotedBuckets.isEmpty()) {
        const size_t hash = qHash(CaseFoldedView{text});
        const size_t bucket = hash >> m_bucketShift;
        for (qsizetype k = m_quotedBuckets.at(bucket), end = m_quotedBuckets.at(bucket + 1);
             k < end; ++k) {
            const QuotedText &quoted = m_quotedInHeader.at(k);
            if (quoted.hash == hash && (headers.isEmpty() || headers.last() != quoted.header))
                headers.append(quoted.header);
        }
    }
    if (!m_headersWithManyQuotes.isEmpty()) {
        headers.append(m_headersWithManyQuotes);
        std::sort(headers.begin(), headers.end());
        headers.erase(std::unique(headers.begin(), headers.end()), headers.end());
    }
    return headers;
}

QList<qsizetype> StaffBase::headerLinesQuoting(QStringView quoted) const
{
    const QString enclosed = u'\'' + quoted.toString() + u'\'';
    QList<qsizetype> found;
    for (qsizetype k : quotingCandidates(quoted)) {
        const qsizetype i = m_headerLines.at(k);
        if (containsText(line(i), enclosed))
            found.append(i);
    }
    return found;
}

QList<qsizetype> StaffBase::headersNaming(QStringView name) const
{
    // A header's name is the text between its first two apostrophes, one of the texts
    // indexed for it; an empty name is also that of every header with fewer than two.
    QList<qsizetype> found;
    if (name.isEmpty()) {
        for (qsizetype k = 0; k < m_headerLines.size(); ++k)
            found.append(k);
    } else {
        found = quotingCandidates(name);
    }
    found.removeIf([&](qsizetype k) {
        return !equalsIgnoringCase(headerItemNameIn(line(m_headerLines.at(k))), name);
    });
    return found;
}

/// Makes a StaffBase from its text and the scan of that text.
class StaffBaseBuilder
{
public:
    static StaffBase fromScan(QString text, LineScan scan)
    {
        static std::atomic<quint64> lastLoadId{0};
        StaffBase base;
        base.m_loadId = ++lastLoadId;
        base.m_text = std::move(text);
        shrinkToSize(scan.lines);
        base.m_lines = std::move(scan.lines);
        base.m_headerLines = std::move(scan.headers);
        base.m_endLines = std::move(scan.ends);
        base.m_levelLines = std::move(scan.levels);
        base.m_quotedInHeader = std::move(scan.quotedInHeader);
        base.bucketQuotedTexts();
        base.m_headersWithManyQuotes = std::move(scan.headersWithManyQuotes);
        base.findRecordStops();
        return base;
    }
};

namespace {

/// Refuses a text longer than the line table can address.
void checkAddressable(const QString &text)
{
    if (quint64(text.size()) > std::numeric_limits<quint32>::max())
        throw std::bad_alloc();
}

} // namespace

void StaffBase::findRecordStops()
{
    m_recordStops.resize(m_headerLines.size());
    qsizetype e = 0;
    for (qsizetype k = 0; k < m_headerLines.size(); ++k) {
        const qsizetype header = m_headerLines.at(k);
        while (e < m_endLines.size() && m_endLines.at(e) < header)
            ++e;
        qsizetype stop = k + 1 < m_headerLines.size() ? m_headerLines.at(k + 1) : lineCount();
        if (e < m_endLines.size())
            stop = std::min(stop, m_endLines.at(e));
        m_recordStops[k] = stop;
    }
}

void StaffBase::bucketQuotedTexts()
{
    const qsizetype n = m_quotedInHeader.size();
    if (n == 0)
        return;
    // About one bucket per text: the top bits of the hash pick the bucket.
    const int bits = std::max(1, int(std::bit_width(quint64(n))));
    m_bucketShift = int(sizeof(size_t)) * 8 - bits;
    const qsizetype buckets = qsizetype(1) << bits;
    m_quotedBuckets.resize(buckets + 1);
    qsizetype k = 0;
    for (qsizetype b = 0; b <= buckets; ++b) {
        while (k < n && qsizetype(m_quotedInHeader.at(k).hash >> m_bucketShift) < b)
            ++k;
        m_quotedBuckets[b] = quint32(k);
    }
}

StaffBase staffBaseFromText(QString text, int scanPieces)
{
    checkAddressable(text);
    LineScan scan = scanInPieces(text, scanPieces > 0 ? scanPieces : piecesFor(text.size()));
    return StaffBaseBuilder::fromScan(std::move(text), std::move(scan));
}

StaffBase readStaffBaseFile(const QString &path, qint64 pieceBytes)
{
    // A file read in the ANSI code page is scanned as its pieces are decoded; any other is
    // scanned once decoded.
    std::optional<PieceScan> pieceScan;
    if (const std::optional<ScanBytes> bytes = scanBytesOf(ansiByteTable()))
        pieceScan.emplace(*bytes, qsizetype(QFileInfo(path).size()));
    AnsiPieceVisitor visitor;
    if (pieceScan) {
        visitor = [&pieceScan](QStringView decoded, QByteArrayView piece, qsizetype at) {
            (*pieceScan)(decoded, piece, at);
        };
    }
    QString text = readDecodedFile(path, visitor, pieceBytes).text;
    checkAddressable(text);
    if (!pieceScan || !pieceScan->covered(text))
        return staffBaseFromText(std::move(text));
    LineScan scan = pieceScan->finish(text);
    return StaffBaseBuilder::fromScan(std::move(text), std::move(scan));
}

ItemIndex ScanItemIndex(const StaffBase &lines, int readPieces)
{
    const QList<qsizetype> &headers = lines.headerLines();
    const QList<qsizetype> &levels = lines.levelLines();
    // Reading the records waits on memory far more than it computes: the records of a large
    // base are read on several threads at once, and then taken in order.
    const int pieces = readPieces > 0 ? readPieces : piecesFor(lines.text().size());
    const RecordReader reader(lines);
    const std::vector<HeaderFacts> headerFacts = readInPieces<HeaderFacts>(
        headers.size(), pieces, [&](qsizetype k) { return reader.readHeader(headers[k]); },
        [&](qsizetype k) { reader.prefetchHeader(headers[k]); });
    const std::vector<TextPlace> levelChars = readInPieces<TextPlace>(
        levels.size(), pieces, [&](qsizetype k) { return reader.readLevel(levels[k]); },
        [&](qsizetype k) { reader.prefetchLines(levels[k], levels[k]); });

    // Only lines holding "Предмет" or "мин.уровень" change the scan: visit those in file
    // order, the header step before the level step on a line that holds both.
    IndexScan scan(lines);
    qsizetype h = 0;
    qsizetype l = 0;
    while (h < headers.size() || l < levels.size()) {
        const qsizetype next = std::min(h < headers.size() ? headers[h] : lines.lineCount(),
                                        l < levels.size() ? levels[l] : lines.lineCount());
        if (h < headers.size() && headers[h] == next)
            scan.readHeader(headerFacts[h++]);
        if (l < levels.size() && levels[l] == next)
            scan.readLevel(levelChars[l++]);
    }
    return scan.takeIndex();
}

namespace {

void refuseFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        throw TarnError(cannotOpenFileMessage(path, u"Is a directory"_s));
}

} // namespace

bool staffBaseMissing(const QString &path)
{
    return path.isEmpty() || !QFileInfo::exists(path);
}

void checkStaffBaseOpens(const QString &path)
{
    if (staffBaseMissing(path))
        return;
    refuseFolder(path);
    existingFilePath(path);
}

StaffBaseLoad LoadStaffBase(const QString &path)
{
    StaffBaseLoad load;
    if (staffBaseMissing(path)) {
        load.fileMissing = true;
        return load;
    }
    refuseFolder(path);
    try {
        load.lines = readStaffBaseFile(path);
        load.index = ScanItemIndex(load.lines);
    } catch (const std::bad_alloc &) {
        throw TarnError(cannotOpenFileMessage(path, u"The file is too large to hold in memory."_s));
    }
    return load;
}

QString baseMissingMessage()
{
    return u"файл базы не найден"_s;
}
