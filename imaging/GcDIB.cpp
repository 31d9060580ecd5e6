#include "imaging/GcDIB.h"

#include <algorithm>
#include <cstring>

#include "shell/Rounding.h"

namespace nalo {

bool GcDIB::Create(int32_t NewWidth, int32_t NewHeight, int32_t Newbpp) {
    Destroy();
    const int64_t bitsPerRow = int64_t(NewWidth) * Newbpp;
    if (bitsPerRow > 0x7FFFFFE0) raiseOverflow();
    const int64_t size = dibStride(NewWidth, Newbpp) * NewHeight;
    if (size > INT32_MAX || size < INT32_MIN) raiseOverflow();
    if (NewWidth <= 0 || NewHeight <= 0) return false;
    if (Newbpp != 1 && Newbpp != 4 && Newbpp != 8 && Newbpp != 24 && Newbpp != 32) return false;
    try {
        dib_ = Dib(NewWidth, NewHeight, Newbpp, true);
    } catch (const RuntimeError&) {
        dib_ = Dib();
        return false;
    }
    if (Newbpp <= 8) dib_.colourTable().assign(size_t(1) << Newbpp, RgbQuad{});
    created_ = true;
    return true;
}

void GcDIB::CloneTo(GcDIB& oDIB) const {
    if (!created_ || &oDIB == this) return;
    if (!oDIB.Create(Width(), Height(), Bpp())) return;
    if (Bpp() <= 8) oDIB.dib_.colourTable() = dib_.colourTable();
    std::memcpy(oDIB.dib_.bits(), dib_.bits(), dib_.imageSize());
}

void GcDIB::Destroy() {
    if (!created_) return;
    dib_ = Dib();
    created_ = false;
}

int32_t GcDIB::LoadBlt(const Dib& src, int32_t x, int32_t y, int32_t nWidth, int32_t nHeight) {
    if (!created_) return 0;
    if (nWidth < 1) nWidth = Width();
    if (nHeight < 1) nHeight = Height();
    bitBlt(dib_, 0, 0, nWidth, nHeight, src, x, y, Rop::SrcCopy);
    return 1;
}

int32_t GcDIB::Stretch(Dib& dst, int32_t x, int32_t y, int32_t nWidth, int32_t nHeight, int32_t XSrc, int32_t YSrc,
                       int32_t nSrcWidth, int32_t nSrcHeight, Rop lROP) const {
    if (!created_) return 0;
    if (nSrcWidth < 1) nSrcWidth = Width();
    if (nSrcHeight < 1) nSrcHeight = Height();
    stretchBlt(dst, x, y, nWidth, nHeight, dib_, XSrc, YSrc, nSrcWidth, nSrcHeight, lROP);
    return 1;
}

void GcDIB::Cls(ColourValue BackColor) {
    if (!created_) return;
    dib_.fill(translateColour(BackColor));
}

void GcDIB::SetPalette(const uint8_t* Palette, size_t bytes) {
    if (!created_ || Bpp() > 8 || !Palette) return;
    auto& table = dib_.colourTable();
    const size_t n = std::min(bytes / 4, table.size());
    std::memcpy(table.data(), Palette, n * 4);
}

void GcDIB::GetPalette(std::vector<uint8_t>& Palette) const {
    if (!created_ || Bpp() > 8) return;
    const auto& table = dib_.colourTable();
    Palette.assign(size_t(4) << Bpp(), 0);
    std::memcpy(Palette.data(), table.data(), std::min(Palette.size(), table.size() * 4));
}

void GcDIB::Resize(int32_t NewWidth, int32_t NewHeight, bool StretchDIB) {
    if (!created_) return;
    GcDIB temp;
    if (!temp.Create(NewWidth, NewHeight, Bpp())) return;
    if (Bpp() <= 8) temp.dib_.colourTable() = dib_.colourTable();
    if (StretchDIB)
        stretchBlt(temp.dib_, 0, 0, NewWidth, NewHeight, dib_, 0, 0, Width(), Height(), Rop::SrcCopy);
    else
        bitBlt(temp.dib_, 0, 0, Width(), Height(), dib_, 0, 0, Rop::SrcCopy);
    *this = std::move(temp);
}

void GcDIB::Crop(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!created_) return;
    if (int64_t(w) * h * 2 >= int64_t(Width()) * Height()) {
        dib_.crop(x, y, w, h);
        return;
    }
    GcDIB part;
    if (!part.Create(w, h, Bpp())) throw RuntimeError(err::OutOfMemory, "GcDIB", "Out of memory");
    part.dib_.colourTable() = dib_.colourTable();
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(Bpp() / 8);
    for (int32_t r = 0; r < h; ++r)
        std::memcpy(part.row(r), row(y + r) + static_cast<size_t>(x) * static_cast<size_t>(Bpp() / 8), bytes);
    *this = std::move(part);
}

void GcDIB::GetBestFitInfo(int32_t DstW, int32_t DstH, int32_t& bfx, int32_t& bfy, int32_t& bfW, int32_t& bfH,
                           bool StretchFit) const {
    if (!created_) return;
    const int32_t w = Width(), h = Height();
    if (DstW < w || DstH < h || StretchFit) {
        const float rw = static_cast<float>(DstW) / static_cast<float>(w);
        const float rh = static_cast<float>(DstH) / static_cast<float>(h);
        if (rw >= rh) {
            bfH = DstH;
            bfW = toInt32(rh * static_cast<float>(w));
        } else {
            bfW = DstW;
            bfH = toInt32(rw * static_cast<float>(h));
        }
    } else {
        bfW = w;
        bfH = h;
    }
    bfx = (DstW - bfW) / 2;
    bfy = (DstH - bfH) / 2;
}

bool cTile::SetPatternFromSolidColor(ColourValue Color) {
    colour_ = translateColour(Color);
    hasBrush_ = true;
    return true;
}

void cTile::Tile(Dib& dc, int32_t x, int32_t y, int32_t Width, int32_t Height, bool /*ResetBrushOrigin*/) const {
    // A solid brush looks the same from any origin.
    if (hasBrush_) dc.fillRect(x, y, Width, Height, colour_);
}

}  // namespace nalo
