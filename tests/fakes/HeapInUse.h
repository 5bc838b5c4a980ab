#pragma once

#include <cstddef>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace purlo::test {

// Bytes the program holds on the heap right now, from the allocator in use
// (AddressSanitizer replaces malloc, so it is asked itself).
inline std::size_t heapInUse() {
#ifdef __SANITIZE_ADDRESS__
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

}  // namespace purlo::test
