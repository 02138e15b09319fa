#include "list/parser.h"

#include "text/strops.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

/// `s` without every character for which `drop` holds.
template<typename Predicate>
QString removeChars(const QString &s, Predicate drop)
{
    if (std::none_of(s.cbegin(), s.cend(), drop))
        return s;
    QString result;
    result.reserve(s.size());
    for (const QChar c : s) {
        if (!drop(c))
            result.append(c);
    }
    return result;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/// Quantity and quality marks of a line without ".": apostrophes, "+", "!", digits, parentheses.
QString withoutCountMarks(const QString &w)
{
    return removeChars(w, [](QChar c) {
        return c == u'\'' || c == u'+' || c == u'!' || c == u'(' || c == u')' || isDigit(c);
    });
}

/// The marks cleaned from the name of a numbered line: apostrophes, "+", digits, brackets, quotes.
QString withoutNameMarks(const QString &r)
{
    return removeChars(r, [](QChar c) {
        return c == u'\'' || c == u'+' || c == u'[' || c == u']' || c == u'"' || isDigit(c);
    });
}

/// Keeps the first p - 2 characters when `mark` stands at position p: the mark, the
/// character before it and everything after it go.
QString cutBefore(const QString &s, QStringView mark)
{
    const qsizetype p = posOf(mark, s);
    return p > 0 ? firstChars(s, p - 2) : s;
}

/// Case-folded set standing in for the list's exact, case-ignoring search. It holds views,
/// not lower-cased copies: a pasted line of millions of characters is not copied for it. The
/// texts must outlive the set.
class FoldedSet
{
public:
    explicit FoldedSet(const QStringList &texts)
    {
        m_keys.reserve(texts.size());
        for (const QString &t : texts)
            m_keys.insert(CaseFoldedView{t});
    }
    bool contains(QStringView text) const { return m_keys.contains(CaseFoldedView{text}); }
    void insert(QStringView text) { m_keys.insert(CaseFoldedView{text}); }

private:
    QSet<CaseFoldedView> m_keys;
};

/// The line's text after the marks and the tag are dealt with; updates the remembered tag length.
/// `trimmed` is the pasted line trimmed, taken as it is while no mark changed the line (a huge
/// line is then not copied a second time).
QString cleanLine(const QString &pasted, const QString &trimmed, qsizetype &tagLength)
{
    QString w = removeEvery(pasted, u"*");
    if (containsText(w, u"...светится"))
        w = removeEvery(w, u" ...светится");
    if (containsText(w, u"...светятся"))
        w = removeEvery(w, u" ...светятся");
    if (!containsText(w, u"."))
        w = withoutCountMarks(w);
    w = removeEvery(w, u"[]");
    const bool unchanged = w.constData() == pasted.constData() && w.size() == pasted.size();
    w = unchanged ? trimmed : trimText(w);

    if (const qsizetype l = posOf(u"<", w); l > 0) {
        const qsizetype g = posOf(u">", w);
        tagLength = std::min(std::max<qsizetype>(g - 2, 0), w.size() - l + 1);
    }
    if (tagLength > 3) {
        if (const qsizetype g = posOf(u">", w); g > 0)
            w = partFrom(w, g + 1);
        w = trimText(cutBefore(w, u"["));
    }
    return w;
}

/// The name of a numbered line, taken from the trimmed line after its first ")".
QString numberedName(const QString &trimmed)
{
    const qsizetype close = posOf(u")", trimmed);
    QString r = trimText(withoutNameMarks(close > 0 ? partFrom(trimmed, close + 1) : trimmed));
    if (r.startsWith(u'.'))
        r = trimText(r.mid(1));
    return r;
}

/// The name of any other line: what follows a colon (and the two characters after it),
/// without a "<...>" tail.
QString plainName(QString w)
{
    if (const qsizetype c = posOf(u":", w); c > 0)
        w = partFrom(w, c + 3);
    return trimText(cutBefore(w, u"<"));
}

} // namespace

QString ItemKey(const QString &entry)
{
    QString k = entry;
    if (const qsizetype d = posOf(u".", k); d > 0)
        k = partFrom(k, d + 2);
    k = cutBefore(k, u"[");
    k = removeEvery(removeEvery(removeEvery(k, u"*"), u"<>"), u"#");
    return trimText(k);
}

QString countText(qsizetype count)
{
    return QString::number(count) + u" предметов"_s;
}

PastedLines parsePaste(const QStringList &pastedLines, const QStringList &listEntries,
                       const QStringList &listedNames)
{
    PastedLines out;
    out.trimmedLines.reserve(pastedLines.size());
    FoldedSet listed(listEntries);
    FoldedSet names(listedNames);
    qsizetype tagLength = 0;

    for (const QString &pasted : pastedLines) {
        const QString trimmed = trimText(pasted);
        out.trimmedLines.append(trimmed);
        const QString w = cleanLine(pasted, trimmed, tagLength);

        if (containsText(w, u".") && tagLength < 4) {
            const QString number = firstChars(w, posOf(u".", w));
            const QString name = numberedName(trimmed);
            const QString entry = number + u' ' + name;
            // The sets view the texts kept in `out`, whose characters stay where they are.
            out.entries.append(entry);
            listed.insert(out.entries.constLast());
            if (!names.contains(name)) {
                out.names.append(name);
                names.insert(out.names.constLast());
            }
            continue;
        }

        const QString name = plainName(w);
        if (!listed.contains(name)) {
            out.entries.append(name);
            listed.insert(out.entries.constLast());
            out.names.append(name);
            names.insert(out.names.constLast());
        }
    }
    out.countText = countText(listEntries.size() + out.entries.size());
    return out;
}
