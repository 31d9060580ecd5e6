#pragma once
// Memory for picture pixels. Pictures are large and written once from start to end,
// so their first touch costs a page fault per 4 KiB page; here large blocks come from
// anonymous mappings advised for transparent huge pages, one fault per 2 MiB.
//   - below 64 KiB: operator new;
//   - 64 KiB to 2 MiB: carved one after another from shared 32 MiB regions, a region
//     being unmapped when its last block is released (the region in use is kept);
//   - 2 MiB and more: a mapping of its own.
// Sanitizer builds take everything from operator new, so that overruns are caught.
#include <cstddef>
#include <new>

namespace nalo {

// Uninitialised memory of at least `bytes` bytes, aligned to 64; std::bad_alloc on failure.
void* allocatePictureMemory(size_t bytes);
// Gives back a block from allocatePictureMemory with the same byte count.
void releasePictureMemory(void* block, size_t bytes) noexcept;

template <class T>
struct PictureAllocator {
    using value_type = T;
    PictureAllocator() = default;
    template <class U>
    constexpr PictureAllocator(const PictureAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(allocatePictureMemory(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) noexcept { releasePictureMemory(p, n * sizeof(T)); }
    template <class U>
    friend bool operator==(const PictureAllocator&, const PictureAllocator<U>&) noexcept {
        return true;
    }
};

}  // namespace nalo
