#pragma once
// GcDIB: the bitmap of the animated-GIF engine, a top-down DIB of 1, 4, 8, 24 or
// 32 bpp whose pixel memory is read and written directly and which is also a
// drawing surface of the drawing layer (hDIBDC). cTile fills rectangles of a
// surface with a solid colour.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

class GcDIB {
public:
    GcDIB() = default;
    GcDIB(const GcDIB&) = delete;
    GcDIB& operator=(const GcDIB&) = delete;
    GcDIB(GcDIB&&) noexcept = default;
    GcDIB& operator=(GcDIB&&) noexcept = default;

    // A new zero-filled bitmap with an all-black colour table (2/16/256 entries).
    // Raises overflow (6) for width x bpp above 0x7FFFFFE0 or a size beyond 32 bits;
    // returns false (object left empty) when the bitmap cannot be made.
    bool Create(int32_t NewWidth, int32_t NewHeight, int32_t Newbpp);
    void CloneTo(GcDIB& oDIB) const;
    void Destroy();

    // Copies from src at (x, y) to (0, 0); sizes below 1 mean the bitmap's own.
    int32_t LoadBlt(const Dib& src, int32_t x, int32_t y, int32_t nWidth = 0, int32_t nHeight = 0);
    // Colour-on-colour stretch of a source rectangle (sizes below 1: the whole bitmap).
    int32_t Stretch(Dib& dst, int32_t x, int32_t y, int32_t nWidth, int32_t nHeight, int32_t XSrc, int32_t YSrc,
                    int32_t nSrcWidth, int32_t nSrcHeight, Rop lROP = Rop::SrcCopy) const;
    // Solid fill (system colours accepted).
    void Cls(ColourValue BackColor);
    // Sets size div 4 colour-table entries from entry 0 (RGBQUAD bytes).
    void SetPalette(const uint8_t* Palette, size_t bytes);
    void SetPalette(const std::vector<uint8_t>& Palette) { SetPalette(Palette.data(), Palette.size()); }
    // Resizes Palette to 4 x 2^bpp bytes and fills it with the colour table.
    void GetPalette(std::vector<uint8_t>& Palette) const;
    void Resize(int32_t NewWidth, int32_t NewHeight, bool StretchDIB);
    // Keeps the rectangle (x, y, w, h) inside the bitmap, colour table unchanged
    // (8 bpp and more). A crop of at least half the picture stays in the same memory.
    void Crop(int32_t x, int32_t y, int32_t w, int32_t h);
    // Where to draw the bitmap centred in a DstW x DstH box: never enlarged unless StretchFit.
    void GetBestFitInfo(int32_t DstW, int32_t DstH, int32_t& bfx, int32_t& bfy, int32_t& bfW, int32_t& bfH,
                        bool StretchFit) const;

    bool empty() const { return !created_; }
    Dib& hDIBDC() { return dib_; }
    const Dib& hDIBDC() const { return dib_; }
    uint8_t* lpBits() { return created_ ? dib_.bits() : nullptr; }
    const uint8_t* lpBits() const { return created_ ? dib_.bits() : nullptr; }
    int32_t Width() const { return dib_.width(); }
    int32_t Height() const { return dib_.height(); }
    int32_t Bpp() const { return dib_.bitCount(); }
    int32_t BytesPerScanLine() const { return dib_.stride(); }
    int32_t Size() const { return static_cast<int32_t>(dib_.imageSize()); }
    // Row y (0 = top).
    uint8_t* row(int32_t y) { return dib_.storedRow(y); }
    const uint8_t* row(int32_t y) const { return dib_.storedRow(y); }

private:
    Dib dib_;
    bool created_ = false;
};

class cTile {
public:
    bool SetPatternFromSolidColor(ColourValue Color);
    // Fills (x, y, Width, Height) of dc with the pattern, if one is set.
    void Tile(Dib& dc, int32_t x, int32_t y, int32_t Width, int32_t Height, bool ResetBrushOrigin) const;
    void DestroyPattern() { hasBrush_ = false; }
    bool hasPattern() const { return hasBrush_; }

private:
    bool hasBrush_ = false;
    ColourValue colour_ = 0;
};

}  // namespace nalo
