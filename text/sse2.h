#pragma once

// The sixteen-byte SSE2 instructions of the fast scans: on every x86-64 processor, and on
// 32-bit x86 where the build asks for them. TARNBOOK_SSE2 is 1 where they are there, 0
// elsewhere, where the plain loops do all the work.

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TARNBOOK_SSE2 1
#include <emmintrin.h>
#else
#define TARNBOOK_SSE2 0
#endif
