// SPDX-License-Identifier: MIT
#pragma once
// An allocator for the large byte buffers of a conversion (the file read in,
// the data block), which are filled once from start to end.
//
// Fresh memory costs a page fault on the first write to each page, and in a
// virtual machine a page fault can cost more than converting the bytes that
// fill the page. Large buffers are therefore mapped with all their pages in
// one call where the system offers that; small ones come from the heap.

#include <cstddef>
#include <new>
#include <utility>

namespace tonvell {

// Buffers from this size on are mapped whole.
inline constexpr std::size_t kPrefaultedMinBytes = std::size_t{64} * 1024;

// Memory for bytes (at least kPrefaultedMinBytes) with its pages mapped;
// throws std::bad_alloc when there is none.
void* AllocatePrefaulted(std::size_t bytes);
void FreePrefaulted(void* memory, std::size_t bytes);

template <typename T>
struct PrefaultedAllocator {
    using value_type = T;

    PrefaultedAllocator() = default;
    template <typename U>
    PrefaultedAllocator(const PrefaultedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kPrefaultedMinBytes) {
            return static_cast<T*>(AllocatePrefaulted(bytes));
        }
        return static_cast<T*>(::operator new(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kPrefaultedMinBytes) {
            FreePrefaulted(p, bytes);
        } else {
            ::operator delete(p);
        }
    }

    // A new element is left as it is, not zeroed: a buffer that is read into
    // would be written twice.
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const PrefaultedAllocator&, const PrefaultedAllocator&) { return true; }
};

}  // namespace tonvell
