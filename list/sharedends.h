#pragma once

#include <algorithm>

/// The rows that two sequences share at their start and at their end, so that a change in
/// the middle (one entry deleted, a few added) rewrites only the middle.
struct SharedEnds
{
    int prefix = 0;
    int suffix = 0;
};

/// `sameRow(oldRow, newRow)` tells whether a row of the old sequence equals one of the new.
template<typename SameRow>
SharedEnds sharedEnds(int oldCount, int newCount, SameRow sameRow)
{
    SharedEnds ends;
    const int shorter = std::min(oldCount, newCount);
    while (ends.prefix < shorter && sameRow(ends.prefix, ends.prefix))
        ++ends.prefix;
    while (ends.prefix + ends.suffix < shorter
           && sameRow(oldCount - 1 - ends.suffix, newCount - 1 - ends.suffix))
        ++ends.suffix;
    return ends;
}
