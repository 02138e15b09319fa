#include "base/staffbase.h"

#include "base/parallel.h"
#include "base/recordmarkers.h"
#include "text/largebuffer.h"
#include "text/strops.h"

#include <algorithm>
#include <vector>

// The item-index reader: the item table's rows, read from the header and level lines that
// the line scan found.

namespace {

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
        const QStringView name = itemIndexNameOf(lineOrEmpty(i));
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

} // namespace

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
