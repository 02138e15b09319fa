#include "base/staffbase.h"

#include "base/search.h"
#include "text/error.h"
#include "text/strops.h"

#include <QFileInfo>
#include <QSet>
#include <QStringMatcher>
#include <QVarLengthArray>

#include <algorithm>
#include <bit>
#include <limits>
#include <new>

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
/// instead.
template<typename T>
void shrinkToSize(QList<T> &list)
{
    QList<T> exact;
    exact.reserve(list.size());
    if (exact.capacity() < list.size())
        return;
    exact.append(list.cbegin(), list.cend());
    list.swap(exact);
}

/// The lines of a text, the lines holding the three markers, and the texts that header lines
/// enclose in apostrophes, found in one pass: every line break, every apostrophe and every
/// character that can begin (or, for the level marker, sits inside) a marker is visited, and
/// a marker is checked only there. A marker holds no line break, so a marker found at a
/// position lies inside the line that position belongs to.
class LineScan
{
public:
    explicit LineScan(QStringView text) : m_text(text)
    {
        // Room for lines of 24 characters on average; pages never written cost no memory,
        // and the list is shrunk to its size at the end.
        lines.reserve(text.size() / 24 + 16);
    }

    void run();

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
    const qsizetype n = m_text.size();
    qsizetype k = 0;
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
    // Eight characters at a time: most blocks hold none of the six characters.
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lt = _mm_set1_epi16(short(u'<'));
    const __m128i dot = _mm_set1_epi16(short(u'.'));
    const __m128i pe = _mm_set1_epi16(short(u'П'));
    const __m128i apostrophe = _mm_set1_epi16(short(u'\''));
    // The LF of a CR LF needs no visit: the CR has ended the line. `crBefore` carries a CR
    // in the last place of one block over to the next.
    unsigned crBefore = 0;
    for (; k + 8 <= n; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        const __m128i isLf = _mm_cmpeq_epi16(v, lf);
        const __m128i isCr = _mm_cmpeq_epi16(v, cr);
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(isLf, isCr),
                         _mm_or_si128(_mm_cmpeq_epi16(v, lt), _mm_cmpeq_epi16(v, dot))),
            _mm_or_si128(_mm_cmpeq_epi16(v, pe), _mm_cmpeq_epi16(v, apostrophe)));
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
    for (; k < n; ++k) {
        if (isInteresting(p[k]))
            visit(k);
    }
    if (m_lineStart < n)
        endLine(n);
    shrinkToSize(lines);
}

/// The item being read during the scan. The pending item is kept as places in the base; the
/// builder keeps the names already given a row.
class IndexScan
{
public:
    explicit IndexScan(const StaffBase &base)
        : m_base(base), m_builder(base.text(), base.headerLines().size() + 1)
    {}

    void readHeader(qsizetype i)
    {
        if (m_name.length > 0)
            appendUnlessKnown();
        const QStringView line = lineOrEmpty(i);
        m_level = {};
        const bool rated = containsText(lineOrEmpty(i + 2), kRatingsMarker);
        m_classLine = rated ? placeOfLine(i + 1) : TextPlace();
        m_ratingsLine = rated ? placeOfLine(i + 2) : TextPlace();
        // The name: from the 10th character up to two characters before ", Тип".
        const QStringView afterPrefix = line.size() >= 10 ? line.sliced(9) : QStringView();
        const qsizetype p = posOf(u", Тип", afterPrefix);
        m_name = p > 2 ? placeOf(afterPrefix.first(p - 2)) : TextPlace();
    }

    void readLevel(qsizetype i)
    {
        const QStringView line = lineOrEmpty(i);
        // Two characters from the one after the separator that follows "мин.уровень".
        const qsizetype from = indexOfFrom(line, kLevelMarker) + kLevelMarker.size() + 1;
        m_level = placeOf(line.mid(from, 2));
        appendUnlessKnown();
    }

    ItemIndex takeIndex() { return m_builder.take(); }

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

    /// Appends the pending item unless its name (ignoring letter case) already has a row;
    /// then the pending fields stay for the next header to overwrite.
    void appendUnlessKnown()
    {
        if (!m_builder.appendUnlessNamed(m_name, m_level, m_classLine, m_ratingsLine))
            return;
        m_name = {};
        m_level = {};
        m_classLine = {};
        m_ratingsLine = {};
    }

    const StaffBase &m_base;
    ItemIndexBuilder m_builder;
    TextPlace m_name;
    TextPlace m_level;
    TextPlace m_classLine;
    TextPlace m_ratingsLine;
};

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

void StaffBase::buildIndexes()
{
    if (quint64(m_text.size()) > std::numeric_limits<quint32>::max())
        throw std::bad_alloc(); // beyond what the line table can address
    LineScan scan(m_text);
    scan.run();
    m_lines = std::move(scan.lines);
    m_headerLines = std::move(scan.headers);
    m_endLines = std::move(scan.ends);
    m_levelLines = std::move(scan.levels);
    m_quotedInHeader = std::move(scan.quotedInHeader);
    std::sort(m_quotedInHeader.begin(), m_quotedInHeader.end());
    bucketQuotedTexts();
    m_headersWithManyQuotes = std::move(scan.headersWithManyQuotes);
    findRecordStops();
}

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

StaffBase staffBaseFromText(QString text)
{
    StaffBase base;
    base.m_text = std::move(text);
    base.buildIndexes();
    return base;
}

ItemIndex ScanItemIndex(const StaffBase &lines)
{
    // Only lines holding "Предмет" or "мин.уровень" change the scan: visit those in file
    // order, the header step before the level step on a line that holds both.
    const QList<qsizetype> &headers = lines.headerLines();
    const QList<qsizetype> &levels = lines.levelLines();
    IndexScan scan(lines);
    qsizetype h = 0;
    qsizetype l = 0;
    while (h < headers.size() || l < levels.size()) {
        const qsizetype next = std::min(h < headers.size() ? headers[h] : lines.lineCount(),
                                        l < levels.size() ? levels[l] : lines.lineCount());
        if (h < headers.size() && headers[h] == next) {
            scan.readHeader(next);
            ++h;
        }
        if (l < levels.size() && levels[l] == next) {
            scan.readLevel(next);
            ++l;
        }
    }
    return scan.takeIndex();
}

StaffBaseLoad LoadStaffBase(const QString &path)
{
    StaffBaseLoad load;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        load.fileMissing = true;
        return load;
    }
    if (info.isDir())
        throw TarnError(cannotOpenFileMessage(path, u"Is a directory"_s));
    try {
        QString text = readDecodedFile(path).text;
        load.lines = staffBaseFromText(std::move(text));
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
