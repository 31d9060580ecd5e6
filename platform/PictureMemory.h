#pragma once
// Memory for picture pixels. Pictures are large and written once from start to end,
// so their first touch costs a page fault per 4 KiB page; here large blocks come from
// anonymous mappings advised for transparent huge pages, one fault per 2 MiB.
//   - below 32 KiB: operator new;
//   - 32 KiB to 2 MiB: carved one after another from shared 32 MiB regions, a region
//     being unmapped when its last block is released (the region in use is kept);
//   - 2 MiB and more: a mapping of its own.
// Sanitizer builds take everything from operator new, so that overruns are caught.
#include <cstddef>
#include <cstdint>
#include <utility>

namespace nalo {

// Zero-filled memory of at least `bytes` bytes, aligned to 64; std::bad_alloc on
// failure. Memory fresh from the system is not written over again.
void* allocatePictureMemory(size_t bytes);
// Gives back a block from allocatePictureMemory with the same byte count.
void releasePictureMemory(void* block, size_t bytes) noexcept;

// Zero-filled pixel bytes in picture memory: a fixed size set at creation (it can only
// shrink), copied deeply.
class PictureBuffer {
public:
    PictureBuffer() = default;
    explicit PictureBuffer(size_t bytes);
    ~PictureBuffer() { release(); }
    PictureBuffer(const PictureBuffer& other);
    PictureBuffer& operator=(const PictureBuffer& other);
    PictureBuffer(PictureBuffer&& other) noexcept { swap(other); }
    PictureBuffer& operator=(PictureBuffer&& other) noexcept {
        PictureBuffer gone(std::move(*this));
        swap(other);
        return *this;
    }

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // The bytes held, which a shrink does not give back.
    size_t capacity() const { return capacity_; }
    // Keeps the first `bytes` bytes (no more than the size); the memory stays.
    void shrink(size_t bytes) { size_ = bytes < size_ ? bytes : size_; }
    // Takes a new size within the memory held, the bytes as they lie; false when it
    // does not fit.
    bool resize(size_t bytes) {
        if (bytes > capacity_) return false;
        size_ = bytes;
        return true;
    }

private:
    void swap(PictureBuffer& other) noexcept;
    void release() noexcept;
    uint8_t* data_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

}  // namespace nalo
