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
constexpr QStringView kRatingsLabel = u"Оценка:";
constexpr QStringView kLevelMarker = u"мин.уровень";

/// A header line with more apostrophes than this is searched directly instead of listing
/// every text between two of them (n apostrophes enclose n(n-1)/2 texts).
constexpr qsizetype kMaxIndexedQuotes = 16;

bool holdsLineBreak(QStringView s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

/// The first `needle` in `s` at or after `from`, 0-based; -1 when absent (posOf's search,
/// quick on a line).
qsizetype findFrom(QStringView s, QStringView needle, qsizetype from = 0)
{
    const qsizetype p = posOf(needle, s.sliced(from));
    return p > 0 ? from + p - 1 : -1;
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
    for (; k + 8 <= n; k += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k));
        const __m128i hits = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr)),
                         _mm_or_si128(_mm_cmpeq_epi16(v, lt), _mm_cmpeq_epi16(v, dot))),
            _mm_or_si128(_mm_cmpeq_epi16(v, pe), _mm_cmpeq_epi16(v, apostrophe)));
        unsigned mask = unsigned(_mm_movemask_epi8(hits)) & 0x5555u; // one bit per character
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
/// "  " -> " " three times; then trimmed. `scratch` is a buffer kept between calls.
QString cleanRatings(QStringView line, QString &scratch)
{
    scratch.truncate(0);
    qsizetype from = 0;
    for (qsizetype at = findFrom(line, kRatingsLabel); at >= 0;
         at = findFrom(line, kRatingsLabel, from)) {
        scratch.append(line.sliced(from, at - from));
        from = at + kRatingsLabel.size();
    }
    scratch.append(line.sliced(from));
    QString ratings = shortenBlankRuns(
        scratch,
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

/// The item being read during the scan, and the names already given a row. The pending
/// item is kept as places in the base; its texts are made only when it gets a row.
class IndexScan
{
public:
    explicit IndexScan(const StaffBase &base) : m_base(base)
    {
        m_appended.reserve(base.headerLines().size() + 1);
        m_index.reserve(base.headerLines().size() + 1);
    }

    void readHeader(qsizetype i)
    {
        if (!m_name.isEmpty())
            appendUnlessKnown();
        const QStringView line = lineOrEmpty(i);
        m_level = QString();
        const bool rated = containsText(lineOrEmpty(i + 2), kRatingsMarker);
        m_classLine = rated ? i + 1 : -1;
        m_ratingsLine = rated ? i + 2 : -1;
        // The name: from the 10th character up to two characters before ", Тип".
        const QStringView afterPrefix = line.size() >= 10 ? line.sliced(9) : QStringView();
        const qsizetype p = posOf(u", Тип", afterPrefix);
        m_name = p > 2 ? afterPrefix.first(p - 2) : QStringView();
    }

    void readLevel(qsizetype i)
    {
        const QStringView line = lineOrEmpty(i);
        // Two characters from the one after the separator that follows "мин.уровень".
        const qsizetype from = findFrom(line, kLevelMarker) + kLevelMarker.size() + 1;
        m_level = levelText(line.mid(from, 2));
        appendUnlessKnown();
    }

    ItemIndex takeIndex() { return std::move(m_index); }

private:
    /// Lines past the end of the base read as empty, so a header in the last lines is safe.
    QStringView lineOrEmpty(qsizetype i) const
    {
        return i < m_base.lineCount() ? m_base.line(i) : QStringView();
    }

    /// The level: its two characters without commas. The few different levels of a base are
    /// made once and shared by every row.
    QString levelText(QStringView twoChars)
    {
        const quint64 key = quint64(twoChars.size())
            | (twoChars.size() > 0 ? quint64(twoChars[0].unicode()) << 8 : 0)
            | (twoChars.size() > 1 ? quint64(twoChars[1].unicode()) << 24 : 0);
        auto it = m_levelTexts.constFind(key);
        if (it == m_levelTexts.cend())
            it = m_levelTexts.insert(key, removeEvery(twoChars.toString(), u","));
        return *it;
    }

    /// Appends the pending item unless its name (ignoring letter case) already has a row;
    /// then the pending fields stay for the next header to overwrite.
    void appendUnlessKnown()
    {
        const qsizetype known = m_appended.size();
        m_appended.insert(CaseFoldedView{m_name});
        if (m_appended.size() == known)
            return;
        m_index.append(
            {m_name.toString(), m_level,
             m_classLine >= 0 ? cleanClassHeader(lineOrEmpty(m_classLine)) : QString(),
             m_ratingsLine >= 0 ? cleanRatings(lineOrEmpty(m_ratingsLine), m_scratch) : QString()});
        m_name = QStringView();
        m_level = QString();
        m_classLine = -1;
        m_ratingsLine = -1;
    }

    const StaffBase &m_base;
    QStringView m_name; ///< a view into the base, which outlives the scan
    QString m_level;
    qsizetype m_classLine = -1;
    qsizetype m_ratingsLine = -1;
    QSet<CaseFoldedView> m_appended; ///< views into the base
    QHash<quint64, QString> m_levelTexts;
    QString m_scratch;
    ItemIndex m_index;
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
