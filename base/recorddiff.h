#pragma once

// What a capture changed against the record the player had: the lines added, removed and
// changed, and the numbers that got better or worse.

#include "base/capturefile.h"
#include "base/comparison.h"

#include <QList>
#include <QString>
#include <QStringList>

/// One line of the two records, in the order of the new record; a removed line stands where
/// it stood in the earlier one.
struct RecordLineChange
{
    enum class Kind { Same, Added, Removed, Changed };
    Kind kind = Kind::Same;
    QString before; ///< empty for Added
    QString after;  ///< empty for Removed
    bool operator==(const RecordLineChange &) const = default;
};

/// How a number of the record moved, by the comparison's rules of what is better.
enum class NumberTrend { Better, Worse, Neither };

struct NumberChange
{
    ComparedNumber number; ///< left: the earlier record, right: the new one
    NumberTrend trend = NumberTrend::Neither;
};

struct RecordDiff
{
    QList<RecordLineChange> lines;
    qsizetype added = 0;
    qsizetype removed = 0;
    qsizetype changed = 0;
    /// The numbers whose values differ (or that one record states and the other does not).
    QList<NumberChange> numbers;

    bool isSame() const { return added == 0 && removed == 0 && changed == 0; }
};

/// The line diff of two records (lines compared without their trailing blanks): the longest
/// run of common lines stays, and within each stretch between common lines the removed and
/// added lines pair up, in order, as changed lines; the rest are removed or added.
RecordDiff diffRecords(const QStringList &before, const QStringList &after);

/// What the window says of a capture: «В базу: длинный меч, новый предмет», «длинный меч
/// обновлён: изменились 2 строки», «длинный меч: запись та же, файл не изменён».
QString captureSummary(const CaptureResult &result, const RecordDiff &diff);
