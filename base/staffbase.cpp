#include "base/staffbase.h"

#include "text/error.h"
#include "text/strops.h"

#include <QFileInfo>
#include <QSet>
#include <QStringMatcher>

#include <algorithm>
#include <new>

using namespace Qt::StringLiterals;

namespace {

const QString kHeaderMarker = u"Предмет"_s;
const QString kEndMarker = u"<end node>"_s;
const QString kRatingsMarker = u"Оценка"_s;
const QString kRatingsLabel = u"Оценка:"_s;
const QString kLevelMarker = u"мин.уровень"_s;

/// A header line with more apostrophes than this is searched directly instead of listing
/// every text between two of them (n apostrophes enclose n(n-1)/2 texts).
constexpr qsizetype kMaxIndexedQuotes = 16;

bool holdsLineBreak(QStringView s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

/// lowerText over a whole buffer through a table of every UTF-16 code unit, filled once from
/// lowerChar, so it gives lowerText's result character for character at a fraction of the cost.
QString lowerWholeText(const QString &text)
{
    static const QList<char16_t> table = [] {
        QList<char16_t> t(0x10000);
        for (int c = 0; c < 0x10000; ++c)
            t[c] = lowerChar(char16_t(c));
        return t;
    }();
    QString lower(text.size(), Qt::Uninitialized);
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    char16_t *out = reinterpret_cast<char16_t *>(lower.data());
    const char16_t *map = table.constData();
    for (qsizetype i = 0, n = text.size(); i < n; ++i)
        out[i] = map[in[i]];
    return lower;
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
template <typename Shorten>
QString shortenBlankRuns(QStringView s, Shorten shorten, bool dropCommas)
{
    QString out;
    out.reserve(s.size());
    qsizetype run = 0;
    for (const QChar c : s) {
        if (c == u' ') {
            ++run;
            continue;
        }
        if (dropCommas && c == u',')
            continue;
        for (qsizetype k = shorten(run); k > 0; --k)
            out.append(u' ');
        run = 0;
        out.append(c);
    }
    for (qsizetype k = shorten(run); k > 0; --k)
        out.append(u' ');
    return out;
}

/// The class line: trimmed, then "  " -> " " five times over.
QString cleanClassHeader(QStringView line)
{
    return shortenBlankRuns(trimText(line), [](qsizetype n) {
        for (int k = 0; k < 5; ++k)
            n = halveRun(n);
        return n;
    }, false);
}

/// The ratings line: every "Оценка:" removed, then every ","; "   " -> " " once, then
/// "  " -> " " three times; then trimmed.
QString cleanRatings(QStringView line)
{
    QString withoutLabel;
    withoutLabel.reserve(line.size());
    qsizetype from = 0;
    for (qsizetype at = line.indexOf(kRatingsLabel); at >= 0; at = line.indexOf(kRatingsLabel, from)) {
        withoutLabel.append(line.sliced(from, at - from));
        from = at + kRatingsLabel.size();
    }
    withoutLabel.append(line.sliced(from));
    return trimText(shortenBlankRuns(withoutLabel, [](qsizetype n) {
        n = n / 3 + n % 3;
        for (int k = 0; k < 3; ++k)
            n = halveRun(n);
        return n;
    }, true));
}

/// The item being read during the scan, and the names already given a row.
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
        const QStringView ratingsLine = lineOrEmpty(i + 2);
        m_level.clear();
        if (containsText(ratingsLine, kRatingsMarker)) {
            m_classHeader = cleanClassHeader(lineOrEmpty(i + 1));
            m_ratings = cleanRatings(ratingsLine);
        } else {
            m_classHeader.clear();
            m_ratings.clear();
        }
        // The name: from the 10th character up to two characters before ", Тип".
        const QStringView afterPrefix = line.size() >= 10 ? line.sliced(9) : QStringView();
        const qsizetype p = posOf(u", Тип", afterPrefix);
        m_name = p > 2 ? afterPrefix.first(p - 2).toString() : QString();
    }

    void readLevel(qsizetype i)
    {
        const QStringView line = lineOrEmpty(i);
        // Two characters from the one after the separator that follows "мин.уровень".
        const qsizetype from = m_levelMarker.indexIn(line) + 12;
        m_level = removeEvery(line.mid(from, 2).toString(), u",");
        appendUnlessKnown();
    }

    ItemIndex takeIndex() { return std::move(m_index); }

private:
    /// Lines past the end of the base read as empty, so a header in the last lines is safe.
    QStringView lineOrEmpty(qsizetype i) const
    {
        return i < m_base.lineCount() ? m_base.line(i) : QStringView();
    }

    /// Appends the pending item unless its name (ignoring letter case) already has a row;
    /// then the pending fields stay for the next header to overwrite.
    void appendUnlessKnown()
    {
        const qsizetype known = m_appended.size();
        m_appended.insert(caseFoldKey(m_name));
        if (m_appended.size() == known)
            return;
        m_index.append({m_name, m_level, m_classHeader, m_ratings});
        m_name.clear();
        m_level.clear();
        m_classHeader.clear();
        m_ratings.clear();
    }

    const StaffBase &m_base;
    const QStringMatcher m_levelMarker{kLevelMarker};
    QString m_name;
    QString m_level;
    QString m_classHeader;
    QString m_ratings;
    QSet<QString> m_appended;
    ItemIndex m_index;
};

} // namespace

QStringView StaffBase::line(qsizetype i) const
{
    const LineRange &r = m_lines.at(i);
    return QStringView(m_text).sliced(r.start, r.length);
}

QStringView StaffBase::lowerLine(qsizetype i) const
{
    const LineRange &r = m_lines.at(i);
    return QStringView(m_lower).sliced(r.start, r.length);
}

qsizetype StaffBase::lineOfPosition(qsizetype pos) const
{
    if (pos < 0 || pos >= m_text.size() || m_lines.isEmpty())
        return -1;
    // The last line starting at or before pos.
    const auto it = std::upper_bound(m_lines.cbegin(), m_lines.cend(), pos,
                                     [](qsizetype p, const LineRange &r) { return p < r.start; });
    if (it == m_lines.cbegin())
        return -1;
    return (it - m_lines.cbegin()) - 1;
}

QList<qsizetype> StaffBase::linesContaining(QStringView needle, bool inLowerCasedText) const
{
    QList<qsizetype> found;
    if (needle.isEmpty() || holdsLineBreak(needle))
        return found;
    const QStringView text = inLowerCasedText ? QStringView(m_lower) : QStringView(m_text);
    const QStringMatcher matcher(needle, Qt::CaseSensitive);
    qsizetype from = 0;
    qsizetype lineNo = 0;
    while (true) {
        const qsizetype hit = matcher.indexIn(text, from);
        if (hit < 0)
            break;
        // Hits come in ascending order: walk the line table forward instead of searching it.
        while (m_lines.at(lineNo).start + m_lines.at(lineNo).length < hit + needle.size())
            ++lineNo;
        found.append(lineNo);
        from = m_lines.at(lineNo).start + m_lines.at(lineNo).length;
        if (++lineNo >= m_lines.size())
            break;
    }
    return found;
}

QList<qsizetype> StaffBase::headerLinesQuoting(QStringView quoted) const
{
    QList<qsizetype> found = m_quotedInHeader.values(quoted);
    if (!m_headersWithManyQuotes.isEmpty()) {
        const QString enclosed = u'\'' + quoted.toString() + u'\'';
        for (qsizetype i : m_headersWithManyQuotes) {
            if (containsText(line(i), enclosed))
                found.append(i);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void StaffBase::buildIndexes()
{
    m_lines = lineRanges(m_text);
    m_lower = lowerWholeText(m_text);
    m_headerLines = linesContaining(kHeaderMarker);
    m_endLines = linesContaining(kEndMarker);

    m_quotedInHeader.reserve(m_headerLines.size());
    QList<qsizetype> quotes;
    for (qsizetype i : std::as_const(m_headerLines)) {
        const QStringView text = line(i);
        quotes.clear();
        for (qsizetype k = 0; k < text.size(); ++k) {
            if (text[k] == u'\'')
                quotes.append(k);
        }
        if (quotes.size() > kMaxIndexedQuotes) {
            m_headersWithManyQuotes.append(i);
            continue;
        }
        QSet<QStringView> seen;
        for (qsizetype a = 0; a < quotes.size(); ++a) {
            for (qsizetype b = a + 1; b < quotes.size(); ++b) {
                const QStringView enclosed = text.sliced(quotes[a] + 1, quotes[b] - quotes[a] - 1);
                if (quotes.size() == 2 || !seen.contains(enclosed)) {
                    seen.insert(enclosed);
                    m_quotedInHeader.insert(enclosed, i);
                }
            }
        }
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
    const QList<qsizetype> levels = lines.linesContaining(kLevelMarker);
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
        load.lines = staffBaseFromText(decodeText(readFileBytes(path)).text);
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
