// SPDX-License-Identifier: MIT
#include "app/allocator_tuning.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tonvell::app {

void KeepFreedMemory() {
#if defined(__GLIBC__)
    // Large blocks come from the heap rather than from mappings of their own
    // (which are returned to the system when freed), the heap is not trimmed
    // below 256 MiB, and it grows in steps of 16 MiB.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
}

}  // namespace tonvell::app
