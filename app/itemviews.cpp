#include "app/itemviews.h"

#include <QItemSelection>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextDocument>

#include <algorithm>

ListState readItemList(const QListWidget *list, bool sorted)
{
    ListState state;
    state.sorted = sorted;
    const int count = list->count();
    state.entries.reserve(count);
    for (int i = 0; i < count; ++i)
        state.entries.append(list->item(i)->text());
    state.selected = QList<bool>(count, false);
    const QModelIndexList selected = list->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : selected) {
        if (index.row() < count)
            state.selected[index.row()] = true;
    }
    // The list has no focus mark before its first entry arrives: the focus is then on 0.
    state.focused = count == 0 ? -1 : std::clamp(list->currentRow(), 0, count - 1);
    return state;
}

namespace {

bool startsWithEntries(const QListWidget *list, const QStringList &entries)
{
    if (list->count() > entries.size())
        return false;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() != entries[i])
            return false;
    }
    return true;
}

} // namespace

void showItemList(QListWidget *list, const ListState &state)
{
    if (startsWithEntries(list, state.entries)) {
        if (list->count() < state.entries.size())
            list->addItems(state.entries.mid(list->count()));
    } else {
        list->clear();
        list->addItems(state.entries);
    }

    QItemSelection selection;
    const QAbstractItemModel *model = list->model();
    for (qsizetype i = 0; i < state.entries.size(); ++i) {
        if (!state.selected.value(i))
            continue;
        qsizetype last = i;
        while (last + 1 < state.entries.size() && state.selected.value(last + 1))
            ++last;
        selection.select(model->index(int(i), 0), model->index(int(last), 0));
        i = last;
    }
    QItemSelectionModel *selectionModel = list->selectionModel();
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex focus = state.focused >= 0 ? model->index(int(state.focused), 0) : QModelIndex();
    selectionModel->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
}

ItemTableRow readItemTableRow(const QTableWidget *table, int row)
{
    ItemTableRow cells;
    if (row < 0 || row >= table->rowCount())
        return cells;
    for (int column = 0; column < itemTableColumnCount && column < table->columnCount(); ++column) {
        if (const QTableWidgetItem *item = table->item(row, column))
            cells[column] = item->text();
    }
    return cells;
}

ItemTable readItemTable(const QTableWidget *table)
{
    ItemTable rows;
    rows.reserve(table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row)
        rows.append(readItemTableRow(table, row));
    return rows;
}

void showItemTable(QTableWidget *table, const ItemTable &rows, int currentRow)
{
    const int currentColumn = std::max(0, table->currentColumn());
    table->setRowCount(int(rows.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < itemTableColumnCount; ++column) {
            const QString &text = rows[row][column];
            if (QTableWidgetItem *item = table->item(row, column)) {
                if (item->text() != text)
                    item->setText(text);
            } else if (!text.isEmpty()) {
                table->setItem(row, column, new QTableWidgetItem(text));
            }
        }
    }
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

void setBufferLines(QPlainTextEdit *buffer, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += u'\n';
    }
    buffer->setPlainText(text);
}
