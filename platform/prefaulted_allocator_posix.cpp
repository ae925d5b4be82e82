// SPDX-License-Identifier: MIT
#include "platform/prefaulted_allocator.h"

// Under AddressSanitizer the buffers come from the heap, where every access
// to them is checked.
#if defined(__SANITIZE_ADDRESS__)
#define TONVELL_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TONVELL_HEAP_ONLY 1
#endif
#endif

#if defined(__linux__) && !defined(TONVELL_HEAP_ONLY)
#define TONVELL_MAP_PAGES 1
#include <sys/mman.h>
#endif

namespace tonvell {

#if defined(TONVELL_MAP_PAGES)

void* AllocatePrefaulted(std::size_t bytes) {
    constexpr int kProtection = PROT_READ | PROT_WRITE;
    constexpr int kFlags = MAP_PRIVATE | MAP_ANONYMOUS;
    void* memory = mmap(nullptr, bytes, kProtection, kFlags | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) {
        // Populating may fail where plain mapping does not (memory limits).
        memory = mmap(nullptr, bytes, kProtection, kFlags, -1, 0);
    }
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    return memory;
}

void FreePrefaulted(void* memory, std::size_t bytes) {
    munmap(memory, bytes);
}

#else

void* AllocatePrefaulted(std::size_t bytes) {
    return ::operator new(bytes);
}

void FreePrefaulted(void* memory, std::size_t) {
    ::operator delete(memory);
}

#endif

}  // namespace tonvell
