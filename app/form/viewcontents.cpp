#include "app/form/viewcontents.h"

#include "app/widgets/copybuffer.h"
#include "app/widgets/itemtablewidget.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

ItemTableRow readItemTableRow(const ItemTableWidget *table, int row)
{
    return table->itemModel()->rows().value(row);
}

ItemTable readItemTable(const ItemTableWidget *table)
{
    return table->itemModel()->rows();
}

void showItemTable(ItemTableWidget *table, const ItemTable &rows, int currentRow)
{
    const int currentColumn = std::max(0, table->currentColumn());
    table->itemModel()->setRows(rows);
    if (table->rowCount() > 0)
        table->setCurrentCell(std::clamp(currentRow, 0, table->rowCount() - 1), currentColumn);
}

QStringList bufferLines(const QPlainTextEdit *buffer)
{
    // The raw text keeps every character as stored (plain text would turn no-break spaces
    // into blanks); each line ends in a paragraph separator, the last one too.
    const QString raw = buffer->document()->toRawText();
    if (raw.isEmpty())
        return {};
    QStringList lines = raw.split(QChar::ParagraphSeparator);
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList bufferLines(const CopyBuffer *buffer)
{
    return buffer->lines();
}

void setBufferLines(CopyBuffer *buffer, const QStringList &lines)
{
    buffer->setLines(lines);
}
