#pragma once
// The drawing layer: device-independent bitmaps in the Windows DIB layout and the
// GDI operations the program uses on them (block copies with raster operations,
// colour-on-colour stretches, fills, pixel reads). Plain C++, no Qt.
//
// Layout: rows padded to 4 bytes (stride = ((width * bitCount + 31) / 32) * 4),
// bottom-up unless topDown, colour table for bit counts of 8 or less. 16-bit pixels
// are 5-5-5 (bits 0-4 blue, 5-9 green, 10-14 red). 24-bit pixels are B, G, R;
// 32-bit pixels are B, G, R, X.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/PictureMemory.h"
#include "shell/Colour.h"

namespace nalo {

struct RgbQuad {
    uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

inline constexpr RgbQuad quadOf(ColourValue c) { return {blueOf(c), greenOf(c), redOf(c), 0}; }
inline constexpr ColourValue colourOf(RgbQuad q) { return rgb(q.red, q.green, q.blue); }

// Largest bitmap the layer creates (pixels); larger requests raise error 7.
inline constexpr int64_t MaxDibPixels = int64_t(1) << 28;

// Stride of one row for the given width and bit count.
constexpr int64_t dibStride(int64_t width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

class Dib {
public:
    Dib() = default;
    // A zero-filled bitmap. Bit counts 1, 4, 8, 16, 24, 32. The colour table of a
    // paletted bitmap starts as a grey ramp (black..white). Raises error 7 for
    // sizes beyond MaxDibPixels and error 5 for a bad bit count or size.
    Dib(int width, int height, int bitCount, bool topDown = false);

    bool empty() const { return width_ == 0 || height_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitCount() const { return bitCount_; }
    bool topDown() const { return topDown_; }
    int stride() const { return stride_; }
    size_t imageSize() const { return bits_.size(); }
    // The pixel memory held (more than imageSize after a crop).
    size_t memoryBytes() const { return bits_.capacity(); }

    uint8_t* bits() { return bits_.data(); }
    const uint8_t* bits() const { return bits_.data(); }
    // Row y in picture coordinates (0 = top row) whatever the storage order.
    uint8_t* row(int y) { return bits_.data() + static_cast<size_t>(storageRow(y)) * stride_; }
    const uint8_t* row(int y) const { return bits_.data() + static_cast<size_t>(storageRow(y)) * stride_; }
    // Row i in storage order (0 = first row in memory).
    uint8_t* storedRow(int i) { return bits_.data() + static_cast<size_t>(i) * stride_; }
    const uint8_t* storedRow(int i) const { return bits_.data() + static_cast<size_t>(i) * stride_; }
    int storageRow(int y) const { return topDown_ ? y : height_ - 1 - y; }

    std::vector<RgbQuad>& colourTable() { return table_; }
    const std::vector<RgbQuad>& colourTable() const { return table_; }
    void setColourTable(const std::vector<RgbQuad>& table);

    // The colour of (x, y) (0 = top), or ClrInvalid outside the bitmap.
    ColourValue pixel(int x, int y) const;
    // Sets (x, y) to a colour (paletted bitmaps: nearest table entry); ignored outside.
    void setPixel(int x, int y, ColourValue c);
    // Raw pixel value at (x, y): the index for paletted bitmaps, the packed value otherwise.
    uint32_t rawPixel(int x, int y) const;
    void setRawPixel(int x, int y, uint32_t v);
    // The raw pixel value that stands for a colour in this bitmap.
    uint32_t rawOf(ColourValue c) const;

    // Fills a rectangle (clipped) with a colour, as a solid brush does.
    void fillRect(int x, int y, int w, int h, ColourValue c);
    void fill(ColourValue c) { fillRect(0, 0, width_, height_, c); }

    // Keeps only the rectangle (x, y, w, h), which must lie inside the bitmap, in the
    // same memory; bit counts of 8 and more.
    void crop(int x, int y, int w, int h);

    // Takes a new size (same bit count and row order) within the pixel memory held,
    // the bytes left as they lie, for a caller that fills every row; false when the
    // memory is too small.
    bool reshape(int w, int h);

    // The same picture with the other row order (bits reordered, same pixels).
    Dib withRowOrder(bool topDown) const;

private:
    int width_ = 0, height_ = 0, bitCount_ = 0, stride_ = 0;
    bool topDown_ = false;
    PictureBuffer bits_;
    std::vector<RgbQuad> table_;
};

// Index of the table entry nearest to c (squared RGB distance; ties to the lowest index).
int nearestIndex(const std::vector<RgbQuad>& table, ColourValue c);

// Raster operations of the block copies (the GDI codes).
enum class Rop : uint32_t {
    SrcCopy = 0x00CC0020,
    SrcAnd = 0x008800C6,
    SrcPaint = 0x00EE0086,
    SrcInvert = 0x00660046,
};

// The device-context colours a copy uses when it converts between colour and monochrome:
// colour to mono, a source pixel equal to srcBackColour becomes 1, others 0;
// mono to colour, 0 takes dstTextColour and 1 takes dstBackColour.
struct BltColours {
    ColourValue srcBackColour = rgb(255, 255, 255);
    ColourValue dstTextColour = rgb(0, 0, 0);
    ColourValue dstBackColour = rgb(255, 255, 255);
};

// BitBlt: copies w x h pixels from (sx, sy) of src to (dx, dy) of dst (both top-left
// based), clipped to both bitmaps. The source is converted to the destination's pixel
// format (paletted destinations take the nearest table entry, monochrome by the
// BltColours rules), then combined with the destination by the raster operation on
// the destination's pixel values.
void bitBlt(Dib& dst, int dx, int dy, int w, int h, const Dib& src, int sx, int sy, Rop rop = Rop::SrcCopy,
            const BltColours& colours = {});

// StretchBlt in COLORONCOLOR mode: each destination pixel takes the nearest source
// pixel (no blending). Negative sizes mirror, as in GDI.
void stretchBlt(Dib& dst, int dx, int dy, int dw, int dh, const Dib& src, int sx, int sy, int sw, int sh,
                Rop rop = Rop::SrcCopy, const BltColours& colours = {});

// A whole-bitmap copy converted to another bit count (24 or 32 gives true colour).
Dib convertDib(const Dib& src, int bitCount, bool topDown);

}  // namespace nalo
