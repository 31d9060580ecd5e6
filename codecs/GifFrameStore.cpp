#include "codecs/GifFrameStore.h"

#include <iterator>
#include <utility>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

size_t bytesOf(const GcDIB& dib) { return dib.empty() ? 0 : static_cast<size_t>(dib.Size()); }
size_t memoryOf(const GcDIB& dib) { return dib.empty() ? 0 : dib.hDIBDC().memoryBytes(); }

}  // namespace

GifFrameStore::GifFrameStore(size_t residentBytes, std::string folder)
    : budget_(residentBytes), swap_(std::move(folder), "cGIF") {}

GifFrameBitmaps& GifFrameStore::use(GifFrameBitmaps& b, bool changing) {
    if (b.parked_) unpark(b);
    if (b.listed_) {
        inMemory_.splice(inMemory_.end(), inMemory_, b.position_);
    } else {
        b.position_ = inMemory_.insert(inMemory_.end(), &b);
        b.listed_ = true;
    }
    if (changing) b.changed_ = true;
    // Sizes change while a frame is in memory (crops, new bitmaps): counted anew here.
    const size_t now = memoryOf(b.image) + memoryOf(b.mask);
    counted_ = counted_ - b.counted_ + now;
    b.counted_ = now;
    // The one moved out is the most recently used but for the last two: a pass over
    // more frames than fit keeps those it found in memory for the next pass (moving
    // out the least recently used would miss every frame of every pass).
    while (counted_ > budget_ && inMemory_.size() > 2) park(**std::prev(inMemory_.end(), 3));
    return b;
}

void GifFrameStore::unlist(GifFrameBitmaps& b) {
    if (!b.listed_) return;
    inMemory_.erase(b.position_);
    b.listed_ = false;
    counted_ -= b.counted_;
    b.counted_ = 0;
}

void GifFrameStore::forget(GifFrameBitmaps& b) {
    unlist(b);
    swap_.release(std::exchange(b.place_, {}));
}

void GifFrameStore::clear() {
    for (GifFrameBitmaps* b : inMemory_) {
        b->listed_ = false;
        b->counted_ = 0;
    }
    inMemory_.clear();
    counted_ = 0;
    swap_.clear();
    lastImageTable_.reset();
    lastMaskTable_.reset();
    spareImage_.Destroy();
    spareMask_.Destroy();
}

GifFrameStore::Shape GifFrameStore::shapeOf(const GcDIB& dib,
                                            std::shared_ptr<const std::vector<RgbQuad>>& last) const {
    Shape s;
    if (dib.empty()) return s;
    s.width = dib.Width();
    s.height = dib.Height();
    s.bpp = dib.Bpp();
    const std::vector<RgbQuad>& table = dib.hDIBDC().colourTable();
    if (!last || *last != table) last = std::make_shared<const std::vector<RgbQuad>>(table);
    s.table = last;
    return s;
}

void GifFrameStore::park(GifFrameBitmaps& b) {
    const size_t imageBytes = bytesOf(b.image), maskBytes = bytesOf(b.mask);
    if (b.changed_ || !b.place_.capacity) {
        if (b.place_.capacity < imageBytes + maskBytes) {
            swap_.release(std::exchange(b.place_, {}));
            if (imageBytes + maskBytes) b.place_ = swap_.take(imageBytes + maskBytes);
        }
        if (imageBytes + maskBytes)
            swap_.write(b.place_, {{b.image.lpBits(), imageBytes}, {b.mask.lpBits(), maskBytes}});
    }
    b.imageShape_ = shapeOf(b.image, lastImageTable_);
    b.maskShape_ = shapeOf(b.mask, lastMaskTable_);
    spareImage_ = std::exchange(b.image, GcDIB{});
    spareMask_ = std::exchange(b.mask, GcDIB{});
    b.parked_ = true;
    b.changed_ = false;
    unlist(b);
}

GcDIB GifFrameStore::bitmapFor(const Shape& shape) {
    GcDIB dib;
    if (!shape.width) return dib;
    // A spare of the same depth is taken when its memory holds the pixels.
    for (GcDIB* spare : {&spareImage_, &spareMask_})
        if (!spare->empty() && spare->Bpp() == shape.bpp && spare->hDIBDC().reshape(shape.width, shape.height)) {
            dib = std::exchange(*spare, GcDIB{});
            break;
        }
    if (dib.empty() && !dib.Create(shape.width, shape.height, shape.bpp))
        throw RuntimeError(err::OutOfMemory, "cGIF", "Out of memory");
    dib.hDIBDC().colourTable() = *shape.table;
    return dib;
}

void GifFrameStore::unpark(GifFrameBitmaps& b) {
    GcDIB image = bitmapFor(b.imageShape_);
    GcDIB mask = bitmapFor(b.maskShape_);
    swap_.read(b.place_, {{image.lpBits(), bytesOf(image)}, {mask.lpBits(), bytesOf(mask)}});
    b.image = std::move(image);
    b.mask = std::move(mask);
    b.imageShape_ = {};
    b.maskShape_ = {};
    b.parked_ = false;
}

}  // namespace nalo
