#include "app/desktop/basefilewatch.h"

#include <QFileInfo>

BaseFileWatch::BaseFileWatch(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &BaseFileWatch::look);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &BaseFileWatch::somethingChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &BaseFileWatch::somethingChanged);
}

void BaseFileWatch::watch(const QString &path)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_settle.stop();
    m_path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (m_path.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    watchFileAgain();
    m_told = m_seen = stampNow();
}

BaseFileWatch::Stamp BaseFileWatch::stampNow() const
{
    const QFileInfo file(m_path);
    if (!file.exists())
        return {};
    return {true, file.size(), file.lastModified()};
}

void BaseFileWatch::watchFileAgain()
{
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
}

void BaseFileWatch::somethingChanged()
{
    watchFileAgain();
    m_seen = stampNow();
    m_settle.start(); // every further change starts the wait anew
}

void BaseFileWatch::look()
{
    watchFileAgain();
    const Stamp now = stampNow();
    if (!(now == m_seen)) {
        m_seen = now; // still being written
        m_settle.start();
        return;
    }
    if (now == m_told)
        return;
    m_told = now;
    emit settledChange();
}
