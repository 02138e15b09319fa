#include "app/form/Unit1.h"

#include "app/form/viewcontents.h"
#include "app/widgets/comparisonview.h"
#include "app/widgets/fittinglabel.h"
#include "app/widgets/itemlistwidget.h"
#include "app/widgets/itemtablewidget.h"
#include "app/widgets/loretext.h"
#include "app/widgets/presetcompletion.h"
#include "app/widgets/searchcombobox.h"
#include "base/lore.h"
#include "base/search.h"
#include "list/itemtable.h"
#include "list/liststate.h"
#include "list/parser.h"
#include "text/strops.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

// The lore view and the searches over the staff base.

namespace {

const QString kEdit3Placeholder = u"поиск предмета"_s;

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

/// The colour spans of a record's `lines`, whose text is `lore`.
QList<LoreSpan> recordSpans(const QStringList &lines, const QString &lore)
{
    return ComputeLoreSpans(lore, lines.isEmpty() ? 0 : lines.first().size());
}

/// True when `text` equals one of the box's preset items, ignoring letter case.
bool isPresetText(const QComboBox *box, const QString &text)
{
    for (int i = 0; i < box->count(); ++i) {
        if (equalsIgnoringCase(box->itemText(i), text))
            return true;
    }
    return false;
}

} // namespace

void TForm1::attachPresetCompletion()
{
    new PresetCompletion(ComboBox5);
    new PresetCompletion(ComboBox6);
}

void TForm1::Compare1Click()
{
    const ListState list = ListBox1->state();
    QList<ComparedItem> items;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (!list.selected[i])
            continue;
        ComparedItem item;
        item.name = ItemKey(list.entries[i]);
        item.loreLines = CollectLoreLines(item.name, BaseLines);
        item.spans = recordSpans(item.loreLines, loreText(item.loreLines));
        items.append(item);
    }
    if (items.size() != 2)
        return;
    auto *view = new ComparisonView(items[0], items[1], memo3->font(), memo3->palette(), this);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->show();
}

void TForm1::ListBox1Click()
{
    ShowItemLore();
}

void TForm1::ShowItemLore()
{
    const int row = ListBox1->currentRow();
    if (row < 0 || row >= ListBox1->count())
        return;
    clickButton9();

    const QString key = ItemKey(ListBox1->entries().at(row));
    showRecord(key, CollectLoreLines(key, BaseLines));

    // A table out of step with the list has no such row: there is nothing to move to.
    if (row < StringGrid2->rowCount())
        setItemTableRowFromCode(row);
}

void TForm1::showRecord(const QString &key, const QStringList &lines)
{
    const QString lore = loreText(lines);
    slot->setText(SlotLabelFor(lore));
    showLoreText(memo3, lines, recordSpans(lines, lore));
    m_shownLoreKey = key;
    m_shownLoreLines = lines;
    // An empty view says nothing by itself: the description tells whose lore is shown.
    memo3->setAccessibleDescription(lines.isEmpty() ? missingItemText(key)
                                                    : u"Предмет «%1»"_s.arg(key));
}

void TForm1::showReloadedBase()
{
    const int tableRow = StringGrid2->currentRow();
    showItemTable(StringGrid2, itemTableFor(ListBox1->entries(), StringGrid1Index), tableRow);
    if (m_shownLoreKey.isEmpty())
        return; // the view shows the help or a message, not a record
    const QStringList lines = CollectLoreLines(m_shownLoreKey, BaseLines);
    if (lines == m_shownLoreLines)
        return;
    // The player may be reading further down: the view stays where it was, as far as the new
    // record reaches.
    // Plain numbers: a cursor would follow the old text out as the new one goes in.
    const int anchor = memo3->textCursor().anchor();
    const int position = memo3->textCursor().position();
    const int vertical = memo3->verticalScrollBar()->value();
    const int horizontal = memo3->horizontalScrollBar()->value();
    showRecord(m_shownLoreKey, lines);
    const int end = memo3->document()->characterCount() - 1;
    QTextCursor after(memo3->document());
    after.setPosition(std::min(anchor, end));
    after.setPosition(std::min(position, end), QTextCursor::KeepAnchor);
    memo3->setTextCursor(after);
    memo3->verticalScrollBar()->setValue(vertical);
    memo3->horizontalScrollBar()->setValue(horizontal);
}

void TForm1::Edit3Click()
{
    clickButton9();
    if (Edit3->text() == kEdit3Placeholder)
        Edit3->clear();
}

void TForm1::Edit3KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift); // Shift+Enter and Ctrl+Enter search too
    if (!isEnter(Key))
        return;
    Key = 0;
    changeList(
        u"поиск по имени"_s,
        [this] { showSearchResult(FindItemsByName(BaseLines, Edit3->text()), false); },
        foundSpoken);
}

void TForm1::ComboBox5Change()
{
    if (isPresetText(ComboBox5, ComboBox5->currentText()))
        filterListByProperty();
}

void TForm1::ComboBox5Click()
{
    clickButton9();
}

void TForm1::ComboBox5CloseUp()
{
    if (isPresetText(ComboBox5, ComboBox5->currentText()))
        ComboBox5Change();
}

void TForm1::ComboBox5KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift);
    if (!isEnter(Key))
        return;
    // Taken here, so that the box does not also turn Enter into a choice of an item.
    Key = 0;
    filterListByProperty();
}

void TForm1::ComboBox6Change()
{
    if (isPresetText(ComboBox6, ComboBox6->currentText()))
        searchBaseByProperty();
}

void TForm1::ComboBox6Click()
{
    clickButton9();
}

void TForm1::ComboBox6KeyDown(int &Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Shift);
    if (!isEnter(Key))
        return;
    Key = 0;
    searchBaseByProperty();
}

void TForm1::searchBaseByProperty()
{
    changeList(
        u"поиск по свойству"_s,
        [this] {
            showSearchResult(
                FindItemsByPhrase(BaseLines, ComboBox6->currentText(), AllowedNames::everyName()),
                true);
        },
        foundSpoken);
}

void TForm1::showSearchResult(const QStringList &names, bool sortList)
{
    ListState list = ListBox1->state();
    clearEntries(list);
    addEntries(list, names);
    setListedNames(names);
    if (sortList)
        switchSortedOn(list);
    ListBox1->setState(list);
    Label1->setText(countText(list.size()));
    RebuildItemTable(list.entries);
}

void TForm1::filterListByProperty()
{
    changeList(u"фильтр по свойству"_s, [this] { showFilteredList(); });
}

void TForm1::showFilteredList()
{
    ListState list = ListBox1->state();
    clearEntries(list);
    addEntries(list, propertyFilter.names(BaseLines, ComboBox5->currentText(), listedNames()));
    ListBox1->setState(list);
    RebuildItemTable(list.entries);
    Label1->setText(countText(list.size()));
}
