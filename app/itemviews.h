#pragma once

// The item list and the item table widgets as the plain data the list commands work on:
// reading them, and showing a changed state in them without running any handler.

#include "list/itemtable.h"
#include "list/liststate.h"

#include <QStringList>

class QListWidget;
class QPlainTextEdit;
class CopyBuffer;
class ItemTableWidget;

/// The list's entries, selection and focused entry; `sorted` is the window's sorted mode.
ListState readItemList(const QListWidget *list, bool sorted);
/// Shows `state` in the list: entries, selection and the focus mark. Moving the focus mark
/// selects nothing. Unchanged entries are not rewritten, appended ones only added.
void showItemList(QListWidget *list, const ListState &state);

/// The table's cells.
ItemTable readItemTable(const ItemTableWidget *table);
/// The cells of one row; an empty row outside the table.
ItemTableRow readItemTableRow(const ItemTableWidget *table, int row);
/// Shows `rows` in the table and makes `currentRow` (kept inside the table) its current row.
/// Rows deleted or added in the middle move the rows below with their cells.
void showItemTable(ItemTableWidget *table, const ItemTable &rows, int currentRow);

/// A hidden text buffer's lines: each line of the buffer is followed by a line break.
QStringList bufferLines(const QPlainTextEdit *buffer);
void setBufferLines(QPlainTextEdit *buffer, const QStringList &lines);
/// A copy buffer's lines.
QStringList bufferLines(const CopyBuffer *buffer);
void setBufferLines(CopyBuffer *buffer, const QStringList &lines);
