#include "app/desktop/basereload.h"

#include "app/desktop/basereader.h"
#include "text/error.h"
#include "text/textfile.h"

BaseReload::BaseReload(QObject *parent) : QObject(parent), m_reader(readChangedBase)
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &BaseReload::read);
}

// The readers' destructors wait for their threads: none is left reading into freed memory.
BaseReload::~BaseReload() = default;

void BaseReload::start(const QString &path)
{
    m_retry.stop();
    m_tries = 0;
    m_path = path;
    read();
}

void BaseReload::cancel()
{
    m_retry.stop();
    m_tries = 0;
    m_path.clear();
    retire();
}

void BaseReload::read()
{
    retire();
    const quint64 id = ++m_lastId;
    m_runningId = id;
    m_running = std::make_unique<BaseReader>(
        [reader = m_reader, path = m_path] { return reader(path); }, this,
        [this, id] { readDone(id); });
}

void BaseReload::retire()
{
    if (m_running)
        m_superseded.emplace(m_runningId, std::move(m_running));
    m_runningId = 0;
}

void BaseReload::readDone(quint64 id)
{
    if (id != m_runningId) {
        m_superseded.erase(id); // its thread has ended or is about to: the join is short
        return;
    }
    const std::unique_ptr<BaseReader> reader = std::move(m_running);
    m_runningId = 0;
    StaffBaseLoad load;
    try {
        load = reader->take();
    } catch (const TarnError &error) {
        readFailed(error.message());
        return;
    } catch (const std::exception &error) {
        readFailed(QString::fromUtf8(error.what()));
        return;
    }
    const QString path = std::exchange(m_path, QString());
    m_tries = 0;
    if (onLoaded)
        onLoaded(path, std::move(load));
}

void BaseReload::readFailed(const QString &message)
{
    if (m_tries < retryPausesMs.size()) {
        m_retry.start(retryPausesMs[m_tries++]);
        return;
    }
    const QString path = std::exchange(m_path, QString());
    m_tries = 0;
    if (onFailed)
        onFailed(path, message);
}

StaffBaseLoad readChangedBase(const QString &path)
{
    existingFilePath(path); // a file gone is told in the system's words
    StaffBaseLoad load = LoadStaffBase(path);
    if (load.fileMissing) // gone between the look and the read
        existingFilePath(path);
    return load;
}
