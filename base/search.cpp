#include "base/search.h"

#include "base/combinedbase.h"
#include "base/parallel.h"
#include "base/staffbase.h"
#include "text/largebuffer.h"
#include "text/strops.h"

#include <QSet>

#include <algorithm>
#include <vector>

namespace {

/// Names gathered in order, each once ignoring letter case.
class NameCollector
{
public:
    void add(const QString &name)
    {
        const QString key = caseFoldKey(name);
        if (m_keys.contains(key))
            return;
        m_keys.insert(key);
        m_names.append(name);
    }
    QStringList take() { return std::move(m_names); }

private:
    QSet<QString> m_keys;
    QStringList m_names;
};

/// The last entry of an ascending list that is <= value; -1 when there is none.
qsizetype lastAtOrBefore(const QList<qsizetype> &sorted, qsizetype value)
{
    const auto it = std::upper_bound(sorted.cbegin(), sorted.cend(), value);
    return it == sorted.cbegin() ? -1 : *(it - 1);
}

/// The first entry of an ascending list that is > value; -1 when there is none.
qsizetype firstAfter(const QList<qsizetype> &sorted, qsizetype value)
{
    const auto it = std::upper_bound(sorted.cbegin(), sorted.cend(), value);
    return it == sorted.cend() ? -1 : *it;
}

/// The record name current while line `i` is tested: that of the latest header line at or
/// before it, unless an end line stands between (a line holding both markers ends its record).
QString currentRecordName(const StaffBase &base, qsizetype i)
{
    const qsizetype header = lastAtOrBefore(base.headerLines(), i);
    if (header < 0)
        return QString();
    const qsizetype end = lastAtOrBefore(base.endLines(), i);
    if (end >= header)
        return QString();
    return HeaderItemName(base.line(header));
}

/// Whether an ascending list holds a value.
bool sortedHolds(const QList<qsizetype> &sorted, qsizetype value)
{
    return std::binary_search(sorted.cbegin(), sorted.cend(), value);
}

/// Whether line `i` lies in one of the records `skipped` names (ascending positions in
/// headerLines()).
bool inSkippedRecord(const StaffBase &base, qsizetype i, const QList<qsizetype> &skipped)
{
    if (skipped.isEmpty())
        return false;
    const QList<qsizetype> &headers = base.headerLines();
    const qsizetype k = (std::upper_bound(headers.cbegin(), headers.cend(), i) - headers.cbegin())
        - 1;
    return k >= 0 && sortedHolds(skipped, k);
}

/// The property search: one pass over the whole base, comparing its lower case as it goes.
/// After a hit the rest of its record cannot add anything new (its name was just taken or
/// refused), so the pass resumes at the next header line. Hits in the `skipped` records count
/// for nothing.
void phraseInWholeBase(const StaffBase &base, const CaseFoldedMatcher &matcher,
                       const QList<qsizetype> &skipped, NameCollector &names)
{
    const QStringView text(base.text());
    qsizetype from = 0;
    while (true) {
        const qsizetype hit = matcher.indexIn(text, from);
        if (hit < 0)
            break;
        const qsizetype i = base.lineOfPosition(hit);
        const QString current = currentRecordName(base, i);
        if (!current.isEmpty() && !inSkippedRecord(base, i, skipped))
            names.add(current);
        const qsizetype nextHeader = firstAfter(base.headerLines(), i);
        if (nextHeader < 0)
            break;
        from = base.lineRange(nextHeader).start;
    }
}

/// `headers` without those of `skipped`, both ascending.
QList<qsizetype> withoutSkipped(QList<qsizetype> headers, const QList<qsizetype> &skipped)
{
    if (!skipped.isEmpty())
        headers.removeIf([&](qsizetype k) { return sortedHolds(skipped, k); });
    return headers;
}

/// Positions in headerLines(), ascending and each once, of the header lines that name one of
/// `names` ignoring letter case (empty names left out), found through the base's look-up.
QList<qsizetype> headersNamingAny(const StaffBase &base, const QStringList &names)
{
    QList<qsizetype> headers;
    for (const QString &name : names) {
        if (!name.isEmpty())
            headers.append(base.headersNaming(name));
    }
    std::sort(headers.begin(), headers.end());
    headers.erase(std::unique(headers.begin(), headers.end()), headers.end());
    return headers;
}

/// The property filter over the records of the given headers: only the records of the
/// allowed names can give a hit, so only their lines are searched. A record runs from its
/// header line up to the next header line or the next end line (a header line that holds an
/// end marker has no lines that count). Many records are searched on several threads at once.
void phraseInRecords(const StaffBase &base, const CaseFoldedMatcher &matcher,
                     const QList<qsizetype> &headers, NameCollector &names)
{
    const auto holdsPhrase = [&](qsizetype k) {
        const qsizetype header = base.headerLines().at(k);
        const qsizetype stop = base.recordStop(k);
        if (stop <= header)
            return false;
        const LineRange last = base.lineRange(stop - 1);
        const qsizetype from = base.lineRange(header).start;
        // A phrase holds no line break, so a hit never joins two lines.
        return matcher.indexIn(
                   QStringView(base.text()).sliced(from, last.start + last.length - from))
            >= 0;
    };
    // Below a few hundred thousand characters a thread costs more than it saves.
    constexpr qsizetype kCharsPerPiece = qsizetype(1) << 18;
    const qsizetype averageRecord = base.text().size()
        / std::max<qsizetype>(base.headerLines().size(), 1);
    const int pieces = piecesFor(averageRecord * headers.size(), kCharsPerPiece);
    std::vector<char> holds(headers.size());
    runInPieces(headers.size(), pieces, [&](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i)
            holds[i] = holdsPhrase(headers[i]);
    });

    for (qsizetype i = 0; i < headers.size(); ++i) {
        if (holds[i])
            names.add(HeaderItemName(base.line(base.headerLines().at(headers[i]))));
    }
}

/// A lower-cased phrase the searches look for: not empty, and without a line break, which no
/// line holds.
bool isSearchablePhrase(const QString &lowered)
{
    return !lowered.isEmpty() && !lowered.contains(u'\r') && !lowered.contains(u'\n');
}

} // namespace

AllowedNames AllowedNames::everyName()
{
    return AllowedNames();
}

AllowedNames AllowedNames::fromNames(const QStringList &names)
{
    AllowedNames allowed;
    allowed.m_everyName = false;
    allowed.m_names = names;
    return allowed;
}

QStringView headerItemNameIn(QStringView line)
{
    const qsizetype first = line.indexOf(u'\'');
    if (first < 0)
        return QStringView();
    const qsizetype second = line.indexOf(u'\'', first + 1);
    if (second < 0)
        return QStringView();
    return line.sliced(first + 1, second - first - 1);
}

QString HeaderItemName(QStringView line)
{
    return headerItemNameIn(line).toString();
}

namespace {

/// The name search over one base, the `skipped` records left out, into `names`.
void namesByQuery(const StaffBase &base, const QString &q, const QList<qsizetype> &skipped,
                  NameCollector &names)
{
    // The header lines lie apart in the base, one in every few hundred characters: they are
    // tested on every core, each a few lines ahead of the test asking for its line, and the
    // names then taken in base order.
    const QList<qsizetype> &headers = base.headerLines();
    const ExactMatcher matcher(q);
    constexpr qsizetype kLookAhead = 8;
    std::vector<char> holds(headers.size());
    runInPieces(headers.size(), piecesFor(base.text().size()), [&](qsizetype begin, qsizetype end) {
        for (qsizetype k = begin; k < end; ++k) {
            if (k + kLookAhead < end)
                prefetchText(base.line(headers[k + kLookAhead]));
            const QStringView line = base.line(headers[k]);
            holds[k] = line.size() >= q.size() && matcher.indexIn(line) >= 0;
        }
    });
    for (qsizetype k = 0; k < headers.size(); ++k) {
        if (holds[k] && !sortedHolds(skipped, k))
            names.add(HeaderItemName(base.line(headers[k])));
    }
}

/// The record scan over one base, the `skipped` records left out, into `names`.
void namesByPhrase(const StaffBase &base, const CaseFoldedMatcher &matcher,
                   const AllowedNames &allowed, const QList<qsizetype> &skipped,
                   NameCollector &names)
{
    if (allowed.isEveryName())
        phraseInWholeBase(base, matcher, skipped, names);
    else
        phraseInRecords(base, matcher,
                        withoutSkipped(headersNamingAny(base, allowed.names()), skipped), names);
}

} // namespace

QStringList FindItemsByName(const StaffBase &base, const QString &query)
{
    const QString q = lowerText(query);
    if (q.isEmpty())
        return {};
    NameCollector names;
    namesByQuery(base, q, {}, names);
    return names.take();
}

QStringList FindItemsByName(const CombinedBase &base, const QString &query)
{
    const QString q = lowerText(query);
    if (q.isEmpty())
        return {};
    NameCollector names;
    namesByQuery(base.staff(), q, base.replacedStaffHeaders(), names);
    namesByQuery(base.captured(), q, {}, names);
    return names.take();
}

QStringList FindItemsByPhrase(const StaffBase &base, const QString &phrase,
                              const AllowedNames &allowed)
{
    const QString p = lowerText(phrase);
    if (!isSearchablePhrase(p))
        return {};
    NameCollector names;
    namesByPhrase(base, CaseFoldedMatcher(p), allowed, {}, names);
    return names.take();
}

QStringList FindItemsByPhrase(const CombinedBase &base, const QString &phrase,
                              const AllowedNames &allowed)
{
    const QString p = lowerText(phrase);
    if (!isSearchablePhrase(p))
        return {};
    const CaseFoldedMatcher matcher(p);
    NameCollector names;
    namesByPhrase(base.staff(), matcher, allowed, base.replacedStaffHeaders(), names);
    namesByPhrase(base.captured(), matcher, allowed, {}, names);
    return names.take();
}

namespace {

/// The filter over either kind of base: the phrase search among the listed names, and with an
/// empty text the listed names once more.
template<typename Base>
QStringList propertyFilterNamesIn(const Base &base, const QString &text,
                                  const QStringList &listedNames)
{
    QStringList names = FindItemsByPhrase(base, text, AllowedNames::fromNames(listedNames));
    if (text.isEmpty())
        names.append(listedNames);
    return names;
}

} // namespace

QStringList PropertyFilterNames(const StaffBase &base, const QString &text,
                                const QStringList &listedNames)
{
    return propertyFilterNamesIn(base, text, listedNames);
}

QStringList PropertyFilterNames(const CombinedBase &base, const QString &text,
                                const QStringList &listedNames)
{
    return propertyFilterNamesIn(base, text, listedNames);
}

QStringList PropertyFilter::names(const StaffBase &base, const QString &text,
                                  const QStringList &listedNames)
{
    if (text.isEmpty())
        return listedNames;
    const QString p = lowerText(text);
    if (!isSearchablePhrase(p))
        return {};
    // A list that still shares the remembered one compares equal at once.
    if (!m_remembered || m_baseLoad != base.loadId() || m_capturedLoad != 0
        || m_listedNames != listedNames) {
        m_headers = headersNamingAny(base, listedNames);
        m_capturedHeaders.clear();
        m_baseLoad = base.loadId();
        m_capturedLoad = 0;
        m_listedNames = listedNames;
        m_remembered = true;
    }
    NameCollector names;
    phraseInRecords(base, CaseFoldedMatcher(p), m_headers, names);
    return names.take();
}

QStringList PropertyFilter::names(const CombinedBase &base, const QString &text,
                                  const QStringList &listedNames)
{
    if (!base.hasCaptured())
        return names(base.staff(), text, listedNames);
    if (text.isEmpty())
        return listedNames;
    const QString p = lowerText(text);
    if (!isSearchablePhrase(p))
        return {};
    if (!m_remembered || m_baseLoad != base.staff().loadId()
        || m_capturedLoad != base.captured().loadId() || m_listedNames != listedNames) {
        m_headers = withoutSkipped(headersNamingAny(base.staff(), listedNames),
                                   base.replacedStaffHeaders());
        m_capturedHeaders = headersNamingAny(base.captured(), listedNames);
        m_baseLoad = base.staff().loadId();
        m_capturedLoad = base.captured().loadId();
        m_listedNames = listedNames;
        m_remembered = true;
    }
    const CaseFoldedMatcher matcher(p);
    NameCollector names;
    phraseInRecords(base.staff(), matcher, m_headers, names);
    phraseInRecords(base.captured(), matcher, m_capturedHeaders, names);
    return names.take();
}
