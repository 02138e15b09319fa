#pragma once

// The item table widget and the text buffers as the plain data the commands work on: reading
// them, and showing a changed state in them without running any handler.

#include "list/itemtable.h"

#include <QStringList>

class QPlainTextEdit;
class CopyBuffer;
class ItemTableWidget;

/// The table's cells.
ItemTable readItemTable(const ItemTableWidget *table);
/// The cells of one row; an empty row outside the table.
ItemTableRow readItemTableRow(const ItemTableWidget *table, int row);
/// Shows `rows` in the table and makes `currentRow` (kept inside the table) its current row.
/// Rows deleted or added in the middle move the rows below with their cells.
void showItemTable(ItemTableWidget *table, const ItemTable &rows, int currentRow);

/// The lines of a text view (the lore view) as its document holds them, every character kept.
QStringList bufferLines(const QPlainTextEdit *buffer);
/// A copy buffer's lines.
QStringList bufferLines(const CopyBuffer *buffer);
void setBufferLines(CopyBuffer *buffer, const QStringList &lines);
