#include "list/liststate.h"

#include "list/parser.h"
#include "text/strops.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

/// Alphabetical order of the sorted list: the user's locale, letter case ignored.
QCollator listCollator()
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

/// The focus after the list changed size: -1 for an empty list, else inside the list.
void keepFocusInside(ListState &state)
{
    if (state.entries.isEmpty())
        state.focused = -1;
    else
        state.focused = std::clamp<qsizetype>(state.focused, 0, state.entries.size() - 1);
}

/// Merges `added` into the sorted list: each new entry after the entries equal to it, new
/// entries among themselves in their given order, as one insertion after another would.
void mergeSorted(ListState &state, const QStringList &added)
{
    const QCollator collator = listCollator();
    const auto less = [&collator](const QString &a, const QString &b) {
        return collator.compare(a, b) < 0;
    };
    QStringList incoming = added;
    std::stable_sort(incoming.begin(), incoming.end(), less);

    QStringList entries;
    QList<bool> selected;
    entries.reserve(state.entries.size() + incoming.size());
    selected.reserve(entries.capacity());
    qsizetype i = 0;
    for (const QString &entry : std::as_const(incoming)) {
        while (i < state.entries.size() && !less(entry, state.entries[i])) {
            entries.append(state.entries[i]);
            selected.append(state.selected[i]);
            ++i;
        }
        entries.append(entry);
        selected.append(false);
    }
    for (; i < state.entries.size(); ++i) {
        entries.append(state.entries[i]);
        selected.append(state.selected[i]);
    }
    state.entries = std::move(entries);
    state.selected = std::move(selected);
}

} // namespace

qsizetype ListState::selectedCount() const
{
    return std::count(selected.cbegin(), selected.cend(), true);
}

ListState listStateOf(const QStringList &entries, bool sorted)
{
    ListState state;
    state.sorted = sorted;
    addEntries(state, entries);
    return state;
}

void addEntries(ListState &state, const QStringList &entries)
{
    if (entries.isEmpty())
        return;
    if (state.sorted) {
        mergeSorted(state, entries);
    } else {
        state.entries.append(entries);
        state.selected.resize(state.entries.size(), false);
    }
    keepFocusInside(state);
}

void clearEntries(ListState &state)
{
    state.entries.clear();
    state.selected.clear();
    state.focused = -1;
}

void setEntries(ListState &state, const QStringList &entries)
{
    clearEntries(state);
    addEntries(state, entries);
}

void removeEntry(ListState &state, qsizetype position)
{
    if (position < 0 || position >= state.entries.size())
        return;
    state.entries.removeAt(position);
    state.selected.removeAt(position);
    keepFocusInside(state);
}

void removeSelectedEntries(ListState &state)
{
    QStringList entries;
    entries.reserve(state.entries.size());
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        if (!state.selected[i])
            entries.append(state.entries[i]);
    }
    state.entries = std::move(entries);
    state.selected = QList<bool>(state.entries.size(), false);
    keepFocusInside(state);
}

void selectAllEntries(ListState &state)
{
    state.selected.fill(true);
}

void switchSortedOn(ListState &state)
{
    if (state.sorted)
        return;
    state.sorted = true;
    QList<qsizetype> order(state.entries.size());
    std::iota(order.begin(), order.end(), 0);
    const QCollator collator = listCollator();
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return collator.compare(state.entries[a], state.entries[b]) < 0;
    });
    ListState sorted = state;
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted.entries[i] = state.entries[order[i]];
        sorted.selected[i] = state.selected[order[i]];
    }
    state = std::move(sorted);
}

qsizetype findEntry(const ListState &state, const QString &text)
{
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        if (equalsIgnoringCase(state.entries[i], text))
            return i;
    }
    return -1;
}

void followTableRow(ListState &state, const QString &rowEntry)
{
    if (state.focused < 0)
        return;
    state.selected[state.focused] = false;
    if (const qsizetype found = findEntry(state, rowEntry); found >= 0)
        state.focused = found;
    state.selected[state.focused] = true;
}

std::optional<QString> copySelectedText(const ListState &state)
{
    QStringList lines;
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        if (state.selected[i])
            lines.append(state.entries[i]);
    }
    if (lines.isEmpty())
        return std::nullopt;
    return lines.join(u"\r\n"_s) + u'\r';
}

std::optional<QString> copyAllText(const ListState &state)
{
    if (state.entries.isEmpty())
        return std::nullopt;
    return state.entries.join(u"\r\n"_s) + u"\r\n"_s;
}

QString copyEntryText(const QString &entry)
{
    return entry + u'\r';
}

void clearForReplacement(ListState &state, QStringList &listedNames)
{
    clearEntries(state);
    listedNames.clear();
}

PasteOutcome pasteLinesIntoList(ListState &state, QStringList &listedNames,
                                const QStringList &pastedLines)
{
    PastedLines parsed = parsePaste(pastedLines, state.entries, listedNames);
    addEntries(state, parsed.entries);
    listedNames.append(parsed.names);
    return {std::move(parsed.trimmedLines), std::move(parsed.countText)};
}

PasteOutcome pasteIntoList(ListState &state, QStringList &listedNames, const QString &clipboardText,
                           bool replace)
{
    if (replace)
        clearForReplacement(state, listedNames);
    return pasteLinesIntoList(state, listedNames, splitLines(clipboardText));
}

DeleteOutcome deleteEntries(ListState &state)
{
    DeleteOutcome outcome;
    if (state.entries.isEmpty())
        return outcome;
    outcome.done = true;
    if (state.selectedCount() < 2) {
        outcome.removedTableRow = state.focused;
        removeEntry(state, state.focused);
    } else {
        removeSelectedEntries(state);
        outcome.rebuildTable = true;
    }
    if (state.focused < state.entries.size() - 1)
        ++state.focused;
    outcome.tableRow = state.focused;
    outcome.countText = countText(state.entries.size());
    return outcome;
}

QString listFileName(const QString &chosenName)
{
    return containsText(chosenName, u".txt") ? chosenName : chosenName + u".txt"_s;
}

void saveListFile(const ListState &state, const QString &path, TextEncoding encoding)
{
    writeTextFile(path, state.entries, encoding);
}

TextEncoding loadListFile(ListState &state, QStringList &listedNames, const QString &path)
{
    const TextFileLines file = readTextFile(path);
    setEntries(state, file.lines);
    listedNames = file.lines;
    return file.encoding;
}

QString quickSlotFileName(int slot)
{
    return u"save%1.txt"_s.arg(slot);
}

QString quickSlotEmptyHint(int slot)
{
    return u"Список %1 (пусто)"_s.arg(slot);
}

QString quickSlotHint(int slot, qsizetype count)
{
    return u"Список %1 ("_s.arg(slot) + QString::number(count) + u" записи)"_s;
}

QString quickSlotSavedMessage(int slot)
{
    return u"Перезаписан %1 список предметов."_s.arg(slot);
}
