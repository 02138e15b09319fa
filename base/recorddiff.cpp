#include "base/recorddiff.h"

#include <QStringView>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

QStringView withoutTrailingBlanks(QStringView line)
{
    qsizetype n = line.size();
    while (n > 0 && line.at(n - 1).unicode() <= 0x20)
        --n;
    return line.first(n);
}

/// Russian agreement with a count: the form for 1 (21, 31 ...), for 2 to 4 (22 ...) or for
/// the rest.
QString agreeing(qsizetype n, const QString &one, const QString &few, const QString &many)
{
    const qsizetype lastTwo = n % 100;
    const qsizetype last = n % 10;
    if (last == 1 && lastTwo != 11)
        return one;
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return few;
    return many;
}

QString linesCount(qsizetype n, const QString &one, const QString &few, const QString &many)
{
    return u"%1 %2 %3"_s.arg(agreeing(n, one, few, many))
        .arg(n)
        .arg(agreeing(n, u"строка"_s, u"строки"_s, u"строк"_s));
}

} // namespace

RecordDiff diffRecords(const QStringList &before, const QStringList &after)
{
    const qsizetype n = before.size();
    const qsizetype m = after.size();
    // common[i][j]: the longest common run of lines of before[i..] and after[j..].
    std::vector<std::vector<qsizetype>> common(n + 1, std::vector<qsizetype>(m + 1, 0));
    for (qsizetype i = n - 1; i >= 0; --i) {
        for (qsizetype j = m - 1; j >= 0; --j) {
            common[i][j] = withoutTrailingBlanks(before.at(i)) == withoutTrailingBlanks(after.at(j))
                ? common[i + 1][j + 1] + 1
                : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    RecordDiff diff;
    QStringList removed;
    QStringList added;
    const auto flush = [&] {
        const qsizetype paired = std::min(removed.size(), added.size());
        for (qsizetype k = 0; k < paired; ++k)
            diff.lines.append({RecordLineChange::Kind::Changed, removed.at(k), added.at(k)});
        for (qsizetype k = paired; k < removed.size(); ++k)
            diff.lines.append({RecordLineChange::Kind::Removed, removed.at(k), QString()});
        for (qsizetype k = paired; k < added.size(); ++k)
            diff.lines.append({RecordLineChange::Kind::Added, QString(), added.at(k)});
        diff.changed += paired;
        diff.removed += removed.size() - paired;
        diff.added += added.size() - paired;
        removed.clear();
        added.clear();
    };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (i < n && j < m
            && withoutTrailingBlanks(before.at(i)) == withoutTrailingBlanks(after.at(j))) {
            flush();
            diff.lines.append({RecordLineChange::Kind::Same, before.at(i), after.at(j)});
            ++i;
            ++j;
        } else if (j < m && (i == n || common[i][j + 1] >= common[i + 1][j])) {
            added.append(after.at(j++));
        } else {
            removed.append(before.at(i++));
        }
    }
    flush();

    for (const ComparedNumber &number : compareLoreNumbers(
             loreNumbers(before), loreNumbers(after), u"прежняя запись"_s, u"новая запись"_s)) {
        if (number.left == number.right)
            continue;
        const NumberTrend trend = number.favours == Favours::Right ? NumberTrend::Better
            : number.favours == Favours::Left                      ? NumberTrend::Worse
                                                                   : NumberTrend::Neither;
        diff.numbers.append({number, trend});
    }
    return diff;
}

QString captureSummary(const CaptureResult &result, const RecordDiff &diff)
{
    using Outcome = CaptureResult::Outcome;
    if (result.outcome == Outcome::Identical)
        return u"%1: запись та же, файл не изменён"_s.arg(result.name);
    if (result.previousFrom == CaptureResult::Previous::None)
        return u"В базу: %1, новый предмет"_s.arg(result.name);
    QStringList parts;
    if (diff.changed > 0)
        parts.append(linesCount(diff.changed, u"изменилась"_s, u"изменились"_s, u"изменилось"_s));
    if (diff.added > 0)
        parts.append(linesCount(diff.added, u"добавлена"_s, u"добавлены"_s, u"добавлено"_s));
    if (diff.removed > 0)
        parts.append(linesCount(diff.removed, u"удалена"_s, u"удалены"_s, u"удалено"_s));
    return u"%1 обновлён: %2"_s.arg(result.name, parts.join(u", "_s));
}
