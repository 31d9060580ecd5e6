#include "platform/PictureMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NALO_PICTURE_MEMORY_FROM_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
#define NALO_PICTURE_MEMORY_FROM_NEW 1
#endif
#endif
#ifdef NALO_PICTURE_MEMORY_FROM_NEW
constexpr bool EverythingFromNew = true;
#else
constexpr bool EverythingFromNew = false;
#endif

namespace nalo {

namespace {

constexpr size_t Alignment = 64;
constexpr size_t HugePage = size_t(2) << 20;
constexpr size_t SmallLimit = size_t(32) << 10;
constexpr size_t RegionSize = size_t(32) << 20;
constexpr size_t PageSize = 4096;

constexpr size_t roundUp(size_t v, size_t to) { return (v + to - 1) / to * to; }

void* newBlock(size_t bytes) { return ::operator new(bytes, std::align_val_t(Alignment)); }
void deleteBlock(void* p) noexcept { ::operator delete(p, std::align_val_t(Alignment)); }

// An anonymous mapping of `bytes` (a multiple of the page size) starting on a huge-page
// boundary, advised for huge pages; nullptr when the system has no room.
void* mapAligned(size_t bytes) {
    const size_t span = bytes + HugePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = roundUp(start, HugePage);
    if (aligned > start) ::munmap(raw, aligned - start);
    const uintptr_t end = start + span, used = aligned + bytes;
    if (end > used) ::munmap(reinterpret_cast<void*>(used), end - used);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

// The shared regions of the middle-sized blocks. A released block is kept for the
// next request of its size; a region none of whose blocks is in use is unmapped
// (the newest one is kept and starts over).
class RegionPool {
public:
    void* allocate(size_t bytes) {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (Spare& s : spare_)
            if (s.bytes == bytes && !s.blocks.empty()) {
                void* p = s.blocks.back();
                s.blocks.pop_back();
                ++regionOf(p)->live;
                return std::memset(p, 0, bytes);
            }
        if (regions_.empty() || regions_.back().used + bytes > RegionSize) {
            void* base = mapAligned(RegionSize);
            if (!base) return nullptr;
            regions_.push_back({static_cast<uint8_t*>(base), 0, 0, 0});
        }
        Region& r = regions_.back();
        uint8_t* p = r.base + r.used;
        // Beyond the high-water mark the region has never been written: zero already.
        if (r.used < r.written) std::memset(p, 0, std::min(bytes, r.written - r.used));
        r.used += bytes;
        r.written = std::max(r.written, r.used);
        ++r.live;
        return p;
    }

    void release(void* block, size_t bytes) noexcept {
        const std::lock_guard<std::mutex> lock(mutex_);
        Region* r = regionOf(block);
        if (!r) return;
        if (--r->live > 0) {
            try {
                spareOf(bytes).push_back(block);
            } catch (const std::bad_alloc&) {
                // Not kept: the space comes back with its region.
            }
            return;
        }
        // No block of the region in use: its kept blocks go too.
        for (Spare& s : spare_)
            std::erase_if(s.blocks, [&](void* p) { return contains(*r, p); });
        if (r == &regions_.back()) {
            r->used = 0;
        } else {
            ::munmap(r->base, RegionSize);
            regions_.erase(regions_.begin() + (r - regions_.data()));
        }
    }

private:
    struct Region {
        uint8_t* base;
        size_t used;
        size_t live;
        size_t written;  // high-water mark of the blocks handed out
    };
    struct Spare {
        size_t bytes;
        std::vector<void*> blocks;
    };

    static bool contains(const Region& r, const void* p) {
        const auto* b = static_cast<const uint8_t*>(p);
        return b >= r.base && b < r.base + RegionSize;
    }
    Region* regionOf(const void* p) {
        for (Region& r : regions_)
            if (contains(r, p)) return &r;
        return nullptr;
    }
    std::vector<void*>& spareOf(size_t bytes) {
        for (Spare& s : spare_)
            if (s.bytes == bytes) return s.blocks;
        spare_.push_back({bytes, {}});
        return spare_.back().blocks;
    }

    std::mutex mutex_;
    std::vector<Region> regions_;
    std::vector<Spare> spare_;
};

RegionPool& regionPool() {
    static RegionPool pool;
    return pool;
}

}  // namespace

void* allocatePictureMemory(size_t bytes) {
    if (!EverythingFromNew && bytes >= SmallLimit) {
        void* p = bytes >= HugePage ? mapAligned(roundUp(bytes, PageSize))
                                    : regionPool().allocate(roundUp(bytes, PageSize));
        if (!p) throw std::bad_alloc();
        return p;
    }
    return std::memset(newBlock(bytes == 0 ? 1 : bytes), 0, bytes);
}

void releasePictureMemory(void* block, size_t bytes) noexcept {
    if (!block) return;
    if (!EverythingFromNew && bytes >= HugePage) {
        ::munmap(block, roundUp(bytes, PageSize));
    } else if (!EverythingFromNew && bytes >= SmallLimit) {
        regionPool().release(block, roundUp(bytes, PageSize));
    } else {
        deleteBlock(block);
    }
}

PictureBuffer::PictureBuffer(size_t bytes)
    : data_(static_cast<uint8_t*>(allocatePictureMemory(bytes))), size_(bytes), capacity_(bytes) {}

PictureBuffer::PictureBuffer(const PictureBuffer& other) : PictureBuffer(other.size_) {
    if (size_) std::memcpy(data_, other.data_, size_);
}

PictureBuffer& PictureBuffer::operator=(const PictureBuffer& other) {
    if (this != &other) *this = PictureBuffer(other);
    return *this;
}

void PictureBuffer::swap(PictureBuffer& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
}

void PictureBuffer::release() noexcept {
    if (data_) releasePictureMemory(data_, capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

}  // namespace nalo
