#include "app/desktop/basereader.h"

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <system_error>

BaseReader::BaseReader(Loader load, QObject *receiver, std::function<void()> done)
{
    auto task = std::make_shared<std::packaged_task<StaffBaseLoad()>>(std::move(load));
    m_result = task->get_future();
    // The receiver lives on another thread: the worker only posts to it. A receiver deleted
    // before the post is delivered drops it, so `done` never runs on a window that is gone.
    auto run = [task, receiver, done = std::move(done)]() mutable {
        (*task)();
        if (receiver && done)
            QMetaObject::invokeMethod(receiver, std::move(done), Qt::QueuedConnection);
    };
    try {
        m_worker = std::thread(run);
    } catch (const std::system_error &) {
        // No thread to be had: the load runs here, and is ready when the constructor returns.
        run();
    }
}

BaseReader::BaseReader(const QString &path, QObject *receiver, std::function<void()> done)
    : BaseReader([path] { return LoadStaffBase(path); }, receiver, std::move(done))
{}

BaseReader::~BaseReader()
{
    if (m_worker.joinable())
        m_worker.join();
}

bool BaseReader::isReady() const
{
    return m_result.valid()
        && m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

StaffBaseLoad BaseReader::take()
{
    return m_result.get();
}
