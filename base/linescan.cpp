#include "base/linescan.h"

#include "base/parallel.h"
#include "base/recordmarkers.h"
#include "text/sse2.h"
#include "text/strops.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <vector>

namespace {

/// A header line with more apostrophes than this is searched directly instead of listing
/// every text between two of them (n apostrophes enclose n(n-1)/2 texts).
constexpr qsizetype kMaxIndexedQuotes = 16;

/// True when `marker` stands in `text` at position `at`.
bool standsAt(QStringView text, qsizetype at, QStringView marker)
{
    return at >= 0 && at + marker.size() <= text.size() && text.sliced(at, marker.size()) == marker;
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

} // namespace

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
#if TARNBOOK_SSE2
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
#if TARNBOOK_SSE2
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

void PieceScan::operator()(QStringView decoded, QByteArrayView piece, qsizetype at)
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

LineScan PieceScan::finish(const QString &text)
{
    m_scan.setText(text);
    m_scan.visitRange(m_scanned, text.size());
    m_scan.finish(text.size());
    return std::move(m_scan);
}

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
