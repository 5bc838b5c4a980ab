// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

#ifndef __SANITIZE_ADDRESS__
#include <malloc.h>
#endif

#ifdef __SANITIZE_ADDRESS__
// From the sanitizer runtime; GCC installs no header declaring it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace purlo::test {

// Bytes the program holds on the heap right now, from the allocator in use
// (AddressSanitizer replaces malloc, so it is asked itself; on Windows the
// C runtime's heap is walked).
inline std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
    // The C runtime's heap, block by block: slow, but the tests ask rarely.
    std::size_t used = 0;
    _HEAPINFO entry{};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY) used += entry._size;
    }
    return used;
#else
    return mallinfo2().uordblks;
#endif
}

}  // namespace purlo::test
