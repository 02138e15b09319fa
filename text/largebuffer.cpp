#include "text/largebuffer.h"

#include <QtGlobal>

#include <system_error>

#if defined(Q_OS_LINUX)
#include <cstdint>
#include <sys/mman.h>
#endif

void adviseLargePages(void *data, std::size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    if (bytes < 2 * kLargePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

PrefaultAhead::PrefaultAhead(void *data, std::size_t bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kStep = std::uintptr_t(2) << 20;
    if (bytes < 4 * kStep)
        return;
    // Whole system pages inside the buffer only: the pages at its ends may be shared with
    // other allocations, and those are mapped already.
    const auto pageSize = std::uintptr_t(4096);
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t last = (begin + bytes) & ~(pageSize - 1);
    if (last <= first)
        return;
    try {
        m_thread = std::thread([this, first, last] {
            for (std::uintptr_t at = first; at < last && !m_stop.load(std::memory_order_relaxed);
                 at += kStep) {
                const std::uintptr_t end = std::min(last, at + kStep);
                // A system that does not know the advice refuses it at once: nothing to do then.
                if (madvise(reinterpret_cast<void *>(at), end - at, MADV_POPULATE_WRITE) != 0)
                    return;
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: the caller's own writes bring the pages in.
    }
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

PrefaultAhead::~PrefaultAhead()
{
    if (!m_thread.joinable())
        return;
    m_stop.store(true, std::memory_order_relaxed);
    m_thread.join();
}
