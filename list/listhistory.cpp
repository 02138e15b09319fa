#include "list/listhistory.h"

#include "list/sharedends.h"

#include <algorithm>
#include <utility>

namespace {

using Splice = ListHistory::Splice;

/// The middle of `other` that differs from `shown`, and where it stands in `shown`.
Splice spliceBetween(const QStringList &shown, const QStringList &other)
{
    const SharedEnds ends = sharedEnds(int(shown.size()), int(other.size()),
                                       [&](int a, int b) { return shown.at(a) == other.at(b); });
    const qsizetype otherLength = other.size() - ends.prefix - ends.suffix;
    return {ends.prefix, shown.size() - ends.prefix - ends.suffix,
            other.mid(ends.prefix, otherLength)};
}

/// `shown` with the splice's middle put in place of its own; the splice then holds the middle
/// taken out, so that the same call goes back.
QStringList swapSplice(const QStringList &shown, Splice &splice)
{
    QStringList result;
    result.reserve(shown.size() - splice.length + splice.other.size());
    result.append(shown.first(splice.at));
    result.append(splice.other);
    result.append(shown.sliced(splice.at + splice.length));
    QStringList takenOut = shown.mid(splice.at, splice.length);
    splice.length = splice.other.size();
    splice.other = std::move(takenOut);
    return result;
}

QList<std::pair<qsizetype, qsizetype>> selectionRanges(const ListState &list)
{
    QList<std::pair<qsizetype, qsizetype>> ranges;
    for (qsizetype i = 0; i < list.selected.size(); ++i) {
        if (!list.selected.at(i))
            continue;
        qsizetype last = i;
        while (last + 1 < list.selected.size() && list.selected.at(last + 1))
            ++last;
        ranges.append({i, last});
        i = last;
    }
    return ranges;
}

QList<bool> selectedFlags(const QList<std::pair<qsizetype, qsizetype>> &ranges, qsizetype count)
{
    QList<bool> flags(count, false);
    for (const auto &[first, last] : ranges) {
        for (qsizetype i = first; i <= last && i < count; ++i)
            flags[i] = true;
    }
    return flags;
}

qsizetype heldBy(const ListHistory::Step &step)
{
    return step.entries.other.size() + step.names.other.size();
}

/// The step's own version in place of `shown`, which the step holds afterwards.
void keepShownVersion(ListHistory::Step &step, const ListSnapshot &shown)
{
    step.selected = selectionRanges(shown.list);
    step.focused = shown.list.focused;
    step.sorted = shown.list.sorted;
}

} // namespace

void ListHistory::record(const ListSnapshot &before, const ListSnapshot &after,
                         const QString &command)
{
    if (before.generation != m_shownGeneration)
        clear(); // the list was written since the last step by other means: those steps are void
    m_shownGeneration = after.generation;
    if (before.list.entries == after.list.entries && before.list.sorted == after.list.sorted
        && before.listedNames == after.listedNames)
        return;
    Step step;
    step.entries = spliceBetween(after.list.entries, before.list.entries);
    step.names = spliceBetween(after.listedNames, before.listedNames);
    keepShownVersion(step, before);
    step.command = command;
    step.shownCount = after.list.size();
    step.shownNames = after.listedNames.size();
    m_undo.append(std::move(step));
    m_redo.clear();
    while (m_undo.size() > maxSteps)
        m_undo.removeFirst();
    fitHeldTexts(m_undo);
}

std::optional<ListHistory::Move> ListHistory::undo(const ListSnapshot &current)
{
    return move(m_undo, m_redo, current);
}

std::optional<ListHistory::Move> ListHistory::redo(const ListSnapshot &current)
{
    return move(m_redo, m_undo, current);
}

std::optional<ListHistory::Move> ListHistory::move(QList<Step> &from, QList<Step> &to,
                                                   const ListSnapshot &current)
{
    if (from.isEmpty())
        return std::nullopt;
    const Step &next = from.last();
    if (current.generation != m_shownGeneration || next.shownCount != current.list.size()
        || next.shownNames != current.listedNames.size()) {
        clear(); // the list is no longer the one the step left
        return std::nullopt;
    }
    Step step = from.takeLast();
    Move moved;
    moved.command = step.command;
    moved.countBefore = current.list.size();
    ListState &list = moved.snapshot.list;
    list.entries = swapSplice(current.list.entries, step.entries);
    moved.snapshot.listedNames = swapSplice(current.listedNames, step.names);
    list.selected = selectedFlags(step.selected, list.entries.size());
    list.focused = list.entries.isEmpty()
        ? -1
        : std::clamp(step.focused, qsizetype(0), list.entries.size() - 1);
    list.sorted = step.sorted;
    moved.countAfter = list.size();
    keepShownVersion(step, current);
    step.shownCount = list.size();
    step.shownNames = moved.snapshot.listedNames.size();
    to.append(std::move(step));
    // Until the caller tells the generation of the list it shows.
    moved.snapshot.generation = current.generation;
    // Undoing moves what a step holds to the other side, where it may hold more.
    fitHeldTexts(to);
    return moved;
}

void ListHistory::moveShown(quint64 generation)
{
    m_shownGeneration = generation;
}

void ListHistory::fitHeldTexts(const QList<Step> &keep)
{
    qsizetype held = heldTexts();
    for (QList<Step> *side : {&m_undo, &m_redo}) {
        const qsizetype kept = side == &keep ? 1 : 0;
        while (held > m_maxHeldTexts && side->size() > kept) {
            held -= heldBy(side->first());
            side->removeFirst();
        }
    }
}

void ListHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
}

qsizetype ListHistory::heldTexts() const
{
    qsizetype held = 0;
    for (const QList<Step> *steps : {&m_undo, &m_redo}) {
        for (const Step &step : *steps)
            held += heldBy(step);
    }
    return held;
}
