#pragma once

// What the window tests share: each test's own working folder, and the item list as the tests
// read it, fill it and click it.

#include "app/widgets/itemlistwidget.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

/// A new empty folder that is the working folder while it lives: the program keeps
/// settings.ini, list.txt and the quick slots in the working folder, so every test starts
/// with none of them. The previous working folder comes back before the folder is removed.
class ScratchWorkingFolder
{
public:
    ScratchWorkingFolder() { QDir::setCurrent(m_dir.path()); }
    ~ScratchWorkingFolder() { QDir::setCurrent(m_previous); }
    ScratchWorkingFolder(const ScratchWorkingFolder &) = delete;
    ScratchWorkingFolder &operator=(const ScratchWorkingFolder &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QString m_previous = QDir::currentPath();
    QTemporaryDir m_dir;
};

/// The texts of the list's entries, in order.
inline QStringList listEntries(const ItemListWidget *list)
{
    return list->entries();
}

inline QString listEntry(const ItemListWidget *list, int row)
{
    return list->entries().at(row);
}

inline bool isEntrySelected(const ItemListWidget *list, int row)
{
    return list->selectionModel()->isRowSelected(row);
}

/// The entries replaced from outside the window's commands: nothing selected or focused.
inline void fillList(ItemListWidget *list, const QStringList &entries)
{
    list->itemModel()->setEntries({});
    list->itemModel()->setEntries(entries);
}

/// One entry appended from outside the window's commands; selection and focus stay.
inline void appendListEntry(ItemListWidget *list, const QString &entry)
{
    list->itemModel()->setEntries(list->entries() + QStringList{entry});
}

/// Where entry `row` is drawn, in the viewport's coordinates.
inline QPoint listEntryCentre(const ItemListWidget *list, int row)
{
    return list->visualRect(list->itemModel()->index(row)).center();
}

/// A mouse click on entry `row`, as the user makes it.
inline void clickListEntry(ItemListWidget *list, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, listEntryCentre(list, row));
}
