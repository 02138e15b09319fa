#include "app/itemviews.h"

#include "app/formwidgets.h"
#include "app/sharedends.h"

#include <QItemSelection>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>
#include <cstdlib>

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

/// Beyond this many rows to remove one by one, refilling the whole widget is cheaper.
constexpr int rowsRemovedOneByOne = 32;

void showEntries(QListWidget *list, const QStringList &entries)
{
    const int oldCount = list->count();
    const int newCount = int(entries.size());
    const SharedEnds ends = sharedEnds(oldCount, newCount, [&](int oldRow, int newRow) {
        return list->item(oldRow)->text() == entries[newRow];
    });
    const int removed = oldCount - ends.prefix - ends.suffix;
    const int added = newCount - ends.prefix - ends.suffix;
    if (removed > rowsRemovedOneByOne) {
        list->clear();
        list->addItems(entries);
        return;
    }
    for (int row = ends.prefix + removed - 1; row >= ends.prefix; --row)
        delete list->takeItem(row);
    if (added > 0)
        list->insertItems(ends.prefix, entries.mid(ends.prefix, added));
}

} // namespace

void showItemList(QListWidget *list, const ListState &state)
{
    showEntries(list, state.entries);

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
    const QModelIndex focus = state.focused >= 0 ? model->index(int(state.focused), 0)
                                                 : QModelIndex();
    selectionModel->setCurrentIndex(focus, QItemSelectionModel::NoUpdate);
}

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

void setBufferLines(QPlainTextEdit *buffer, const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 1;
    QString text;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += u'\n';
    }
    // A hidden buffer is never edited by hand: no undo history to keep for the old text.
    buffer->document()->setUndoRedoEnabled(false);
    buffer->setPlainText(text);
}

QStringList bufferLines(const CopyBuffer *buffer)
{
    return buffer->lines();
}

void setBufferLines(CopyBuffer *buffer, const QStringList &lines)
{
    buffer->setLines(lines);
}
