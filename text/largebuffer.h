#pragma once

#include <cstddef>

/// Asks the system to back a large buffer with large pages before it is first written.
///
/// Filling a fresh buffer of tens of megabytes costs one page fault for every 4 KB page; with
/// large pages it costs one for every 2 MB. Only whole large pages inside the buffer are
/// affected, and where the system offers no such advice (or refuses it) nothing changes.
void adviseLargePages(void *data, std::size_t bytes);
