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
const QString kLevelMarker = u"мин.уровень"_s;

/// A header line with more apostrophes than this is searched directly instead of listing
/// every text between two of them (n apostrophes enclose n(n-1)/2 texts).
constexpr qsizetype kMaxIndexedQuotes = 16;

bool holdsLineBreak(QStringView s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

/// The item being read during the scan, and the names already given a row.
class IndexScan
{
public:
    explicit IndexScan(const StaffBase &base) : m_base(base) {}

    void readHeader(qsizetype i)
    {
        if (!m_name.isEmpty() && !wasAppended(m_name))
            append();
        const QString line = lineOrEmpty(i);
        m_level.clear();
        m_classHeader = trimText(lineOrEmpty(i + 1));
        for (int k = 0; k < 5; ++k)
            m_classHeader = replaceEvery(m_classHeader, u"  ", u" ");
        m_ratings = lineOrEmpty(i + 2);
        if (!containsText(m_ratings, kRatingsMarker)) {
            m_classHeader.clear();
            m_ratings.clear();
        }
        m_ratings = removeEvery(m_ratings, u"Оценка:");
        m_ratings = removeEvery(m_ratings, u",");
        m_ratings = replaceEvery(m_ratings, u"   ", u" ");
        for (int k = 0; k < 3; ++k)
            m_ratings = replaceEvery(m_ratings, u"  ", u" ");
        m_ratings = trimText(m_ratings);
        const QString afterPrefix = partFrom(line, 10);
        m_name = firstChars(afterPrefix, posOf(u", Тип", afterPrefix) - 2);
    }

    void readLevel(qsizetype i)
    {
        const QString line = lineOrEmpty(i);
        const qsizetype q = posOf(kLevelMarker, line);
        m_level = removeEvery(line.mid(q + 11, 2), u",");
        if (!wasAppended(m_name))
            append();
    }

    ItemIndex takeIndex() { return std::move(m_index); }

private:
    /// Lines past the end of the base read as empty, so a header in the last lines is safe.
    QString lineOrEmpty(qsizetype i) const
    {
        return i < m_base.lineCount() ? m_base.line(i).toString() : QString();
    }

    bool wasAppended(const QString &name) const { return m_appended.contains(caseFoldKey(name)); }

    void append()
    {
        m_index.append({m_name, m_level, m_classHeader, m_ratings});
        m_appended.insert(caseFoldKey(m_name));
        m_name.clear();
        m_level.clear();
        m_classHeader.clear();
        m_ratings.clear();
    }

    const StaffBase &m_base;
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
    m_lower = lowerText(m_text);
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
