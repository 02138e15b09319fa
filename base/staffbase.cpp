#include "base/staffbase.h"

#include "base/linescan.h"
#include "base/parallel.h"
#include "base/search.h"
#include "text/error.h"
#include "text/strops.h"

#include <QFileInfo>
#include <QStringMatcher>

#include <algorithm>
#include <atomic>
#include <bit>
#include <limits>
#include <new>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

bool holdsLineBreak(QStringView s)
{
    return s.contains(u'\r') || s.contains(u'\n');
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
