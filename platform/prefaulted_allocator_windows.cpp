// SPDX-License-Identifier: MIT
// Large buffers on Windows: reserved and committed in one call, away from
// the heap, and handed back to the system whole when freed. Windows has no
// way to fill fresh anonymous pages ahead of their first use, so they come in
// as the buffer is written.
#include <windows.h>

#include "platform/prefaulted_allocator.h"

namespace tonvell {

void* AllocatePrefaulted(std::size_t bytes) {
    void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) {
        throw std::bad_alloc();
    }
    return memory;
}

void FreePrefaulted(void* memory, std::size_t) {
    VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace tonvell
