#include "app/form/Unit1.h"

#include "app/desktop/uiservices.h"
#include "app/form/viewcontents.h"
#include "app/models/itemcellpainting.h"
#include "app/models/itemlistmodel.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "list/itemtable.h"
#include "list/liststate.h"
#include "list/parser.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

// The item list commands, the item table and the quick slots.

namespace {

/// The table's current row; the table always has one, row 0 before any other was chosen.
int currentTableRow(const TForm1 &form)
{
    return std::max(0, form.StringGrid2->currentRow());
}

/// The busy cursor over the program while it lives. A paste of many megabytes takes a
/// noticeable time; set before the clipboard is asked for its text, the cursor also goes out
/// to the desktop with that request.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

/// "Сортировка": the table sorted by level, highest first, and the list refilled in the
/// table's new order.
void sortByLevel(ItemTable &table, ListState &list)
{
    setEntries(list, SortTableByLevel(table, list.size()));
}

/// "Добавить" and "Заменить": the clipboard text into the paste buffer, through the parser
/// into the list, then the table, sorted by level with "АвтоСорт". The list is shown as soon
/// as each step that changes it is done, so a later step that fails takes nothing back.
void pasteClipboard(TForm1 &form, bool replace)
{
    const BusyCursor busy;
    form.Memo1 = splitLines(form.uiServices().clipboardText());
    ListState list = form.ListBox1->state();
    if (replace) {
        QStringList names = form.listedNames();
        clearForReplacement(list, names);
        form.setListedNames(names);
        form.ListBox1->setState(list);
    }
    form.ParsePastedLines(list);
    form.ListBox1->setState(list);
    ItemTable table = itemTableFor(list.entries, form.StringGrid1Index);
    if (!form.CheckBox2->isChecked()) {
        showItemTable(form.StringGrid2, table, 0);
        return;
    }
    sortByLevel(table, list);
    showItemTable(form.StringGrid2, table, 0);
    form.ListBox1->setState(list);
}

/// The copy buffer takes the selected entries; their clipboard text, when any, goes out.
/// Returns how many were copied.
qsizetype copySelected(TForm1 &form, const ListState &state)
{
    QStringList lines;
    for (qsizetype i = 0; i < state.size(); ++i) {
        if (state.selected[i])
            lines.append(state.entries[i]);
    }
    setBufferLines(form.Memo2, lines);
    if (const std::optional<QString> text = copySelectedText(state))
        form.uiServices().setClipboardText(*text);
    return lines.size();
}

void quickSave(TForm1 &form, int slot)
{
    const QStringList &entries = form.ListBox1->entries();
    // Throws before the message.
    writeStateFile(quickSlotFileName(slot), entries, form.listEncoding);
    form.uiServices().showMessage(quickSlotSavedMessage(slot));
    form.setQuickSlotHint(slot, quickSlotHint(slot, entries.size()));
}

/// Replaces the list and ListedNames by a list file's lines, then rebuilds the table.
void loadList(TForm1 &form, const QString &path)
{
    form.RebuildItemTable(form.showListFile(path).entries);
}

void quickLoad(TForm1 &form, int slot)
{
    const QString path = quickSlotFileName(slot);
    if (fileExists(path))
        loadList(form, path);
}

/// "Удалить": the focused entry (fewer than two selected) or every selected entry goes, the
/// table follows, and the focus moves one further unless it is on the last entry.
void deleteFocusedOrSelected(TForm1 &form)
{
    ListState list = form.ListBox1->state();
    const DeleteOutcome outcome = deleteEntries(list);
    if (!outcome.done)
        return;
    if (outcome.removedTableRow >= 0) {
        ItemTable table = readItemTable(form.StringGrid2);
        GridDeleteRow(outcome.removedTableRow, table);
        showItemTable(form.StringGrid2, table, currentTableRow(form));
    }
    form.ListBox1->setState(list);
    if (outcome.rebuildTable)
        form.RebuildItemTable(list.entries);
    const bool tableClicked = outcome.tableRow >= 0
        && form.setItemTableRowFromCode(int(outcome.tableRow));
    form.Label1->setText(outcome.countText);
    // A table row that moved has shown the focused entry's lore through its click already.
    if (!tableClicked)
        form.clickListBox1();
}

} // namespace

ListState TForm1::showListFile(const QString &path)
{
    ListState list = ListBox1->state();
    QStringList names = listedNames();
    listEncoding = loadListFile(list, names, path);
    setListedNames(names);
    ListBox1->setState(list);
    return list;
}

void TForm1::ParsePastedLines(ListState &list)
{
    QStringList names = listedNames();
    PasteOutcome outcome = pasteLinesIntoList(list, names, Memo1);
    setListedNames(names);
    Memo1 = std::move(outcome.bufferLines);
    Label1->setText(outcome.countText);
}

void TForm1::RebuildItemTable(const QStringList &entries)
{
    // The table is cleared to one row first, which puts its current row on 0.
    showItemTable(StringGrid2, itemTableFor(entries, StringGrid1Index), 0);
}

void TForm1::RebuildItemTable()
{
    RebuildItemTable(ListBox1->entries());
}

void TForm1::Button1Click()
{
    changeList(u"добавление"_s, [this] { pasteClipboard(*this, false); });
}

void TForm1::Button2Click()
{
    changeList(u"замена"_s, [this] { pasteClipboard(*this, true); });
}

void TForm1::Button3Click()
{
    changeList(u"очистка"_s, [this] {
        Memo1.clear();
        ListState list = ListBox1->state();
        clearEntries(list);
        ListBox1->setState(list);
        RebuildItemTable(list.entries);
        Label1->setText(countText(0));
    });
}

void TForm1::R1Click()
{
    clickButton9();
    uiServices().announce(copiedSpoken(copySelected(*this, ListBox1->state())));
}

void TForm1::c1Click()
{
    clickButton9();
    const ListState list = ListBox1->state();
    setBufferLines(Memo4, list.entries);
    if (const std::optional<QString> text = copyAllText(list))
        uiServices().setClipboardText(*text);
    uiServices().announce(copiedSpoken(list.size()));
}

void TForm1::N3Click()
{
    clickButton9();
    changeList(u"вырезание"_s, [this] {
        ListState list = ListBox1->state();
        copySelected(*this, list);
        removeSelectedEntries(list);
        ListBox1->setState(list);
        RebuildItemTable(list.entries);
    });
}

void TForm1::e1Click()
{
    changeList(u"удаление"_s, [this] { deleteFocusedOrSelected(*this); });
}

void TForm1::d1Click()
{
    ListState list = ListBox1->state();
    selectAllEntries(list);
    ListBox1->setState(list);
}

void TForm1::C2Click()
{
    changeList(u"сортировка"_s, [this] {
        ListState list = ListBox1->state();
        switchSortedOn(list);
        ListBox1->setState(list);
        RebuildItemTable(list.entries);
    });
}

void TForm1::C3Click()
{
    const QString chosen = runSaveDialog1();
    if (chosen.isEmpty())
        return;
    // The dialog asked about the name as typed; when ".txt" is added, an existing file of
    // that other name would be replaced without a question, so ask it here.
    const QString target = listFileName(chosen);
    if (target != chosen && fileExists(target)
        && !uiServices().askYesNo(
            QStringLiteral("Файл %1 уже существует. Заменить его?").arg(target)))
        return;
    saveListFile(ListBox1->state(), target, listEncoding);
    uiServices().announce(listSavedSpoken(target));
}

void TForm1::P1Click()
{
    const QString chosen = runOpenDialog2();
    if (!chosen.isEmpty())
        changeList(u"загрузка списка"_s, [&] { loadList(*this, chosen); });
}

void TForm1::sBitBtn1Click()
{
    quickSave(*this, 1);
}

void TForm1::sBitBtn2Click()
{
    quickSave(*this, 2);
}

void TForm1::sBitBtn3Click()
{
    quickSave(*this, 3);
}

void TForm1::sBitBtn4Click()
{
    changeList(u"загрузка ячейки 1"_s, [this] { quickLoad(*this, 1); });
}

void TForm1::sBitBtn5Click()
{
    changeList(u"загрузка ячейки 2"_s, [this] { quickLoad(*this, 2); });
}

void TForm1::sBitBtn6Click()
{
    changeList(u"загрузка ячейки 3"_s, [this] { quickLoad(*this, 3); });
}

void TForm1::N4Click()
{
    changeList(u"сортировка по уровню"_s, [this] {
        ItemTable table = readItemTable(StringGrid2);
        ListState list = ListBox1->state();
        sortByLevel(table, list);
        showItemTable(StringGrid2, table, currentTableRow(*this));
        ListBox1->setState(list);
    });
}

void TForm1::Undo1Click()
{
    // A capture right before, with no change of the list since, is the last change.
    if (undoLastCapture())
        return;
    if (std::optional<ListHistory::Move> move = m_listHistory.undo(listSnapshot()))
        applyListMove(*move, u"Отменено"_s);
    updateHistoryActions();
}

void TForm1::Redo1Click()
{
    if (std::optional<ListHistory::Move> move = m_listHistory.redo(listSnapshot()))
        applyListMove(*move, u"Возвращено"_s);
    updateHistoryActions();
}

const QStringList &TForm1::listedNames() const
{
    return ListBox1->itemModel()->listedNames();
}

void TForm1::setListedNames(const QStringList &names)
{
    ListBox1->itemModel()->setListedNames(names);
}

ListSnapshot TForm1::listSnapshot() const
{
    return {ListBox1->state(), listedNames(), ListBox1->itemModel()->generation()};
}

void TForm1::changeList(const QString &command, const std::function<void()> &change,
                        QString (*spoken)(qsizetype count))
{
    const ListSnapshot before = listSnapshot();
    const auto record = [&] {
        // What the command left, from the model itself: the entries it holds (shared, not
        // copied), the sorted mode, the names and the generation. The views are not read back.
        const ItemListModel &model = *ListBox1->itemModel();
        ListSnapshot after;
        after.list.entries = model.entries();
        after.list.sorted = model.isSorted();
        after.listedNames = model.listedNames();
        after.generation = model.generation();
        m_listHistory.record(before, after, command);
        updateHistoryActions();
    };
    try {
        change();
    } catch (...) {
        record(); // what stood before the failure can be taken back too
        throw;
    }
    record();
    m_services->announce(spoken(ListBox1->count()));
}

void TForm1::applyListMove(const ListHistory::Move &move, const QString &done)
{
    const ListState &list = move.snapshot.list;
    ListBox1->setState(list);
    setListedNames(move.snapshot.listedNames);
    m_listHistory.moveShown(ListBox1->itemModel()->generation());
    RebuildItemTable(list.entries);
    const QString spoken = historyMoveSpoken(done, move.command, move.countBefore, move.countAfter);
    Label1->setText(countText(list.size()), spoken);
    m_services->announce(spoken);
}

void TForm1::updateHistoryActions()
{
    Undo1->setEnabled(m_listHistory.canUndo() || lastCaptureUndoable());
    Redo1->setEnabled(m_listHistory.canRedo());
}

void TForm1::N5Click()
{
    clickButton9();
    const QString entry = readItemTableRow(StringGrid2, currentTableRow(*this))[EntryColumn];
    setBufferLines(Memo2, {entry});
    uiServices().setClipboardText(copyEntryText(entry));
    uiServices().announce(copiedSpoken(1));
}

void TForm1::StringGrid2Click()
{
    ListState list = ListBox1->state();
    followTableRow(list, readItemTableRow(StringGrid2, currentTableRow(*this))[EntryColumn]);
    ListBox1->setState(list);
    clickListBox1();
}

void TForm1::StringGrid2DrawCell(QPainter *painter, int ACol, int ARow, const QRect &Rect,
                                 const std::function<void()> &drawOrdinary)
{
    const ItemCellPaint paint = itemCellPaint(ACol, readItemTableRow(StringGrid2, ARow));
    // An overpainted cell is filled whole (its text, selection and focus included), so its
    // ordinary drawing, which lays out the cell's whole text, would never be seen.
    if (!paint.overpaint)
        drawOrdinary();
    const QPalette &palette = StringGrid2->palette();
    paintItemTableCell(painter, Rect, paint, StringGrid2->font(), palette.color(QPalette::Base),
                       palette.color(QPalette::Text));
}
