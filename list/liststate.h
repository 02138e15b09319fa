#pragma once

// The item list as plain data (entries, selection, focus, sorted mode) and the commands that
// edit, copy, save and load it, including the three quick slots.

#include "text/textfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/// The item list: its entries in order, which of them are selected, the focused position
/// (-1 only while the list is empty) and whether it keeps its entries in alphabetical order.
struct ListState
{
    QStringList entries;
    QList<bool> selected; ///< one flag per entry
    qsizetype focused = -1;
    bool sorted = false;

    qsizetype size() const { return entries.size(); }
    qsizetype selectedCount() const;
    bool operator==(const ListState &) const = default;
};

/// A list holding `entries` in that order, nothing selected, the focus on the first entry.
ListState listStateOf(const QStringList &entries, bool sorted = false);

/// Adds entries at the end, or, in sorted mode, each at its alphabetical place (after the
/// entries equal to it). The focused position keeps its number; an empty list gets it on 0.
void addEntries(ListState &state, const QStringList &entries);
/// Empties the list; the focus goes to position 0 once entries arrive.
void clearEntries(ListState &state);
/// Empties the list, then adds `entries` as addEntries does.
void setEntries(ListState &state, const QStringList &entries);
/// Removes one entry; the focus keeps its number but never points beyond the last entry.
void removeEntry(ListState &state, qsizetype position);
/// Removes every selected entry, from the last to the first; the focus as for removeEntry.
void removeSelectedEntries(ListState &state);
void selectAllEntries(ListState &state);
/// Sorted mode on: the entries are reordered alphabetically by the user's locale, ignoring
/// letter case; each keeps its selection. Nothing changes when the mode is already on.
void switchSortedOn(ListState &state);
/// Position of the first entry equal to `text` ignoring letter case, -1 when none.
qsizetype findEntry(const ListState &state, const QString &text);
/// The list's part of a click on a table row: the focused entry is deselected, the focus
/// goes to the first entry equal (ignoring case) to the row's entry, when there is one,
/// and the focused entry is selected.
void followTableRow(ListState &state, const QString &rowEntry);

/// Clipboard text of the selected entries: joined by CR LF, the last followed by a lone CR.
/// Nothing when no entry is selected.
std::optional<QString> copySelectedText(const ListState &state);
/// Clipboard text of every entry, each followed by CR LF. Nothing for an empty list.
std::optional<QString> copyAllText(const ListState &state);
/// Clipboard text of one table entry: the entry followed by a lone CR.
QString copyEntryText(const QString &entry);

/// What a paste leaves in the paste buffer, and the count label after it.
struct PasteOutcome
{
    QStringList bufferLines;
    QString countText;
};
/// "Заменить"'s first step, taken before the clipboard is parsed: the list and ListedNames
/// emptied.
void clearForReplacement(ListState &state, QStringList &listedNames);
/// The lines of a paste parsed into the list and ListedNames, as "Добавить" does.
PasteOutcome pasteLinesIntoList(ListState &state, QStringList &listedNames,
                                const QStringList &pastedLines);
/// "Добавить" (or, with `replace`, "Заменить", which empties the list and ListedNames
/// first): the clipboard text is parsed line by line into the list and ListedNames.
PasteOutcome pasteIntoList(ListState &state, QStringList &listedNames, const QString &clipboardText,
                           bool replace);

/// What a delete asks of the item table after changing the list.
struct DeleteOutcome
{
    bool done = false;              ///< false: the list was empty and nothing happened
    qsizetype removedTableRow = -1; ///< one entry went: remove this table row
    bool rebuildTable = false;      ///< several entries went: rebuild the table
    qsizetype tableRow = -1;        ///< then make this the table's current row (-1: leave it)
    QString countText;
};
/// "Удалить": removes the focused entry (fewer than two selected) or every selected entry,
/// then moves the focus one further unless it is on the last entry.
DeleteOutcome deleteEntries(ListState &state);

/// The file a save writes: the chosen name, with ".txt" added unless it holds ".txt".
QString listFileName(const QString &chosenName);
/// Writes the entries, one a line, replacing the file atomically. Throws TarnError
/// "Cannot create file ..." and leaves an existing file whole.
void saveListFile(const ListState &state, const QString &path, TextEncoding encoding);
/// Replaces the list and ListedNames by the lines of a list file; returns the file's
/// encoding. Throws TarnError "Cannot open file ..." before changing anything.
TextEncoding loadListFile(ListState &state, QStringList &listedNames, const QString &path);

inline constexpr int quickSlotCount = 3;
/// "save1.txt" .. "save3.txt"
QString quickSlotFileName(int slot);
/// "Список N (пусто)": nothing known of the slot's file.
QString quickSlotEmptyHint(int slot);
/// "Список N (count записи)"
QString quickSlotHint(int slot, qsizetype count);
/// "Перезаписан N список предметов."
QString quickSlotSavedMessage(int slot);
