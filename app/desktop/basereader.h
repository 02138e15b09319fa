#pragma once

// The staff base read on a worker thread, so that the window can be on the screen while a
// large base loads.

#include "base/staffbase.h"

#include <QString>

#include <functional>
#include <future>
#include <thread>

class QObject;

/// One load of the staff base on a thread of its own. The result is handed back once, on the
/// thread that asks for it; asking before the load is done waits for it.
class BaseReader
{
public:
    using Loader = std::function<StaffBaseLoad()>;

    /// Starts `load` on a worker thread (or runs it at once where no thread can be started).
    /// When it is done, `done` runs on `receiver`'s thread, from its event loop, unless the
    /// receiver has gone by then. It may run after the result was taken, or after the reader
    /// has gone: it must then find nothing to do.
    BaseReader(Loader load, QObject *receiver, std::function<void()> done);
    /// Reads the staff base at `path` as LoadStaffBase does.
    BaseReader(const QString &path, QObject *receiver, std::function<void()> done);
    /// Waits for the worker: a load is never left running into freed memory.
    ~BaseReader();

    BaseReader(const BaseReader &) = delete;
    BaseReader &operator=(const BaseReader &) = delete;

    /// Whether the result is there to be taken without waiting.
    bool isReady() const;
    /// The load's result, waiting for it when needed; throws what the load threw. Once only.
    StaffBaseLoad take();

private:
    std::future<StaffBaseLoad> m_result;
    std::thread m_worker;
};
