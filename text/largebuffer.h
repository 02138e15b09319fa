#pragma once

#include <QStringView>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>

/// Asks the system to back a large buffer with large pages before it is first written.
///
/// Filling a fresh buffer of tens of megabytes costs one page fault for every 4 KB page; with
/// large pages it costs one for every 2 MB. Only whole large pages inside the buffer are
/// affected, and where the system offers no such advice (or refuses it) nothing changes.
void adviseLargePages(void *data, std::size_t bytes);

/// Brings a fresh buffer's pages into memory on a thread of its own while the caller fills it
/// from the start: the system clears each new page before handing it over, and on a large
/// buffer that clearing is much of the filling's time. The pages are only mapped, never
/// written, so the caller's writes to them are never disturbed. Where the system cannot map
/// pages ahead (or for a buffer of a few megabytes) nothing happens. The thread is stopped
/// and waited for when the object goes, which must happen before the buffer is freed.
class PrefaultAhead
{
public:
    PrefaultAhead(void *data, std::size_t bytes);
    ~PrefaultAhead();
    PrefaultAhead(const PrefaultAhead &) = delete;
    PrefaultAhead &operator=(const PrefaultAhead &) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

/// Reserves room for `count` elements in a list or vector and asks for large pages for it, as
/// adviseLargePages does. For the tables a load of a large base builds once and fills at once.
template<typename List>
void reserveWithLargePages(List &list, qsizetype count)
{
    list.reserve(count);
    if (list.capacity() > 0)
        adviseLargePages(list.data(), std::size_t(list.capacity()) * sizeof(*list.data()));
}

/// Asks for the first `chars` characters of a text (three cache lines unless told) to be
/// brought into the cache, for a text read a little later: work that visits lines spread over
/// a large base waits on memory far more than it computes.
inline void prefetchText(QStringView text, qsizetype chars = 96)
{
#if defined(__GNUC__) || defined(__clang__)
    constexpr qsizetype kCacheLine = 32; // characters
    for (qsizetype at = 0; at < std::min(text.size(), chars); at += kCacheLine)
        __builtin_prefetch(text.data() + at);
#else
    Q_UNUSED(text);
    Q_UNUSED(chars);
#endif
}
