#pragma once

// What the window tests share: each test's own working folder, and the item list's entries.

#include <QDir>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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
inline QStringList listEntries(const QListWidget *list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->item(i)->text());
    return entries;
}
