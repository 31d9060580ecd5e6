#pragma once
// The bitmaps of an animation's frames: in memory up to a byte budget, the rest in an
// anonymous swap file in the work folder, so that a long animation takes bounded
// memory. The two frames used last are always in memory. A bitmap object stays where
// it is: while its frame is out of memory it is empty.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "imaging/GcDIB.h"
#include "platform/SwapFile.h"

namespace nalo {

class GifFrameStore;

// One frame's colour image and mask.
class GifFrameBitmaps {
public:
    GcDIB image, mask;

private:
    friend class GifFrameStore;
    // A bitmap's shape while its pixels are in the swap file (width 0: empty).
    struct Shape {
        int32_t width = 0, height = 0, bpp = 0;
        std::shared_ptr<const std::vector<RgbQuad>> table;
    };
    Shape imageShape_, maskShape_;
    SwapFile::Place place_;
    bool parked_ = false;
    bool changed_ = true;  // what the swap file holds (if anything) is out of date
    bool listed_ = false;
    size_t counted_ = 0;  // bytes counted against the budget
    std::list<GifFrameBitmaps*>::iterator position_;
};

class GifFrameStore {
public:
    static constexpr size_t DefaultResidentBytes = size_t(64) << 20;

    // `folder`: where the swap file goes ("" for the work folder).
    explicit GifFrameStore(size_t residentBytes = DefaultResidentBytes, std::string folder = "");
    GifFrameStore(const GifFrameStore&) = delete;
    GifFrameStore& operator=(const GifFrameStore&) = delete;

    // Brings the frame's bitmaps into memory as the ones used last; beyond the budget
    // moves others out. `changing`: the caller may change them, so they are written
    // out again when they leave. Raises RuntimeError when the swap file fails (a full
    // disk); the frames stay as they were.
    GifFrameBitmaps& use(GifFrameBitmaps& b, bool changing);
    // Drops a frame that goes away.
    void forget(GifFrameBitmaps& b);
    // Drops every frame (their bitmaps are released by their owner).
    void clear();

private:
    using Shape = GifFrameBitmaps::Shape;
    void park(GifFrameBitmaps& b);
    void unpark(GifFrameBitmaps& b);
    Shape shapeOf(const GcDIB& dib, std::shared_ptr<const std::vector<RgbQuad>>& last) const;
    GcDIB bitmapFor(const GifFrameBitmaps::Shape& shape);
    void unlist(GifFrameBitmaps& b);

    size_t budget_;
    size_t counted_ = 0;
    std::list<GifFrameBitmaps*> inMemory_;  // least recently used first
    SwapFile swap_;
    // Colour tables shared by the parked bitmaps that have the same one.
    std::shared_ptr<const std::vector<RgbQuad>> lastImageTable_, lastMaskTable_;
    // Bitmaps of the frames moved out last, reused for the next ones brought in.
    GcDIB spareImage_, spareMask_;
};

}  // namespace nalo
