#include "codecs/GifAnimation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codecs/GifLzwEncoder.h"
#include "platform/FileBytes.h"
#include "shell/Rounding.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

[[noreturn]] void raiseModel(const std::string& what) {
    throw RuntimeError(err::InvalidProcedureCall, "cGIF", what);
}

// Smallest n >= 1 with 2^n >= entries.
int tableBits(int entries) {
    if (entries > 256) raiseModel("Palette of more than 256 colours");
    int n = 1;
    while ((1 << n) < entries) ++n;
    return n;
}

void put16(std::vector<uint8_t>& b, int v) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

// 2^bits RGB entries: the first `entries` colours of an RGBQUAD palette, then zeros.
void putColourTable(std::vector<uint8_t>& b, const uint8_t* palette, int entries, int bits) {
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        if (i < entries) {
            b.push_back(palette[i * 4 + 2]);
            b.push_back(palette[i * 4 + 1]);
            b.push_back(palette[i * 4 + 0]);
        } else {
            b.insert(b.end(), 3, 0);
        }
    }
}

// True when every index of an 8-bpp image is below `limit`.
bool indexesBelow(const GcDIB& img, int limit) {
    for (int32_t y = 0; y < img.Height(); ++y) {
        const uint8_t* r = img.row(y);
        for (int32_t x = 0; x < img.Width(); ++x)
            if (r[x] >= limit) return false;
    }
    return true;
}

}  // namespace

cGIF::cGIF(size_t residentBytes, std::string swapFolder) : store_(residentBytes, std::move(swapFolder)) {
    Destroy();
}

cGIF::Frame& cGIF::frame(int16_t n) {
    if (n < 1 || n > FramesCount())
        throw RuntimeError(err::SubscriptOutOfRange, "cGIF", "Subscript out of range");
    return frames_[static_cast<size_t>(n - 1)];
}

const cGIF::Frame& cGIF::frame(int16_t n) const { return const_cast<cGIF*>(this)->frame(n); }

void cGIF::ScreenWidth(int32_t v) { screenWidth_ = checked16(v); }
void cGIF::ScreenHeight(int32_t v) { screenHeight_ = checked16(v); }

void cGIF::ScreenPixelAspectRatio(float v) {
    const int32_t b = toInt32(static_cast<double>(v) * 64.0 - 15.0);
    if (b < 0 || b > 255) raiseOverflow();
    aspect_ = static_cast<uint8_t>(b);
}

ColourValue cGIF::GlobalPaletteRGBEntry(uint8_t nEntry) const {
    if (!globalExists_) return 0;
    const uint8_t* p = &globalPalette_[nEntry * 4u];
    return rgb(p[2], p[1], p[0]);
}

ColourValue cGIF::LocalPaletteRGBEntry(int16_t n, uint8_t nEntry) const {
    const uint8_t* p = &frame(n).palette[nEntry * 4u];
    return rgb(p[2], p[1], p[0]);
}

void cGIF::Destroy() {
    screenWidth_ = screenHeight_ = 0;
    background_ = aspect_ = 0;
    globalPalette_.fill(0);
    globalSorted_ = false;
    globalEntries_ = 0;
    loops_ = 0;
    store_.clear();
    frames_.clear();
}

void cGIF::FrameInsert(int16_t nFrame, int32_t Width, int32_t Height) {
    if (nFrame < 1 || nFrame > FramesCount() + 1)
        throw RuntimeError(err::SubscriptOutOfRange, "cGIF", "Subscript out of range");
    if (FramesCount() == INT16_MAX || Width > INT16_MAX || Height > INT16_MAX) raiseOverflow();
    if (Width < 1 || Height < 1) raiseModel("Invalid frame size");
    Frame f;
    if (!f.bitmaps->image.Create(Width, Height, 8) || !f.bitmaps->mask.Create(Width, Height, 1))
        throw RuntimeError(err::OutOfMemory, "cGIF", "Out of memory");
    // New bitmaps are zero-filled: index 0, black in both tables.
    static constexpr uint8_t blackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    f.bitmaps->mask.SetPalette(blackWhite, sizeof blackWhite);
    frames_.push_back(std::move(f));
    store_.use(*frames_.back().bitmaps, true);
    if (FramesCount() == 1) {
        screenWidth_ = static_cast<int16_t>(Width);
        screenHeight_ = static_cast<int16_t>(Height);
    }
}

void cGIF::FrameRemove(int16_t nFrame) {
    store_.forget(*frame(nFrame).bitmaps);
    frames_.erase(frames_.begin() + (nFrame - 1));
}

void cGIF::FrameMask(int16_t nFrame, uint8_t t) {
    Frame& f = frame(nFrame);
    GifFrameBitmaps& b = bitmaps(nFrame, true);
    GcDIB& img = b.image;
    GcDIB& mask = b.mask;
    if (img.empty() || mask.empty()) return;
    if (f.useTransparent) {
        // Transparent pixels become 1 in the mask and black in the colour image.
        const int32_t w = std::min(img.Width(), mask.Width()), h = std::min(img.Height(), mask.Height());
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* s = img.row(y);
            uint8_t* m = mask.row(y);
            std::memset(m, 0, static_cast<size_t>(mask.BytesPerScanLine()));
            for (int32_t x = 0; x < w; ++x)
                if (s[x] == t) m[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
        std::array<uint8_t, 1024> shown = f.palette;
        std::memset(&shown[t * 4u], 0, 4);
        img.SetPalette(shown.data(), shown.size());
    } else {
        mask.Cls(0);
        img.SetPalette(f.palette.data(), f.palette.size());
    }
}

void cGIF::FrameDraw(Dib& dc, int16_t nFrame, int32_t Left, int32_t Top, float ScaleFactor, bool ScreenCrop) const {
    const Frame& f = frame(nFrame);
    const GifFrameBitmaps& b = bitmaps(nFrame, false);
    int32_t w = b.image.Width(), h = b.image.Height();
    if (ScreenCrop) {
        if (f.left + w > screenWidth_) w = screenWidth_ - f.left;
        if (f.top + h > screenHeight_) h = screenHeight_ - f.top;
        if (w < 0) w = 0;
        if (h < 0) h = 0;
    }
    const int32_t dl = toInt32(ScaleFactor * static_cast<float>(f.left) + static_cast<float>(Left));
    const int32_t dt = toInt32(ScaleFactor * static_cast<float>(f.top) + static_cast<float>(Top));
    const int32_t dw = toInt32(ScaleFactor * static_cast<float>(w));
    const int32_t dh = toInt32(ScaleFactor * static_cast<float>(h));
    if (f.useTransparent) {
        b.mask.Stretch(dc, dl, dt, dw, dh, 0, 0, w, h, Rop::SrcAnd);
        b.image.Stretch(dc, dl, dt, dw, dh, 0, 0, w, h, Rop::SrcPaint);
    } else {
        b.image.Stretch(dc, dl, dt, dw, dh, 0, 0, w, h, Rop::SrcCopy);
    }
}

bool cGIF::Save(const std::string& fileName) const {
    std::vector<uint8_t> b;
    b.reserve(2048);
    const bool transparentFirst = !frames_.empty() && frames_[0].useTransparent;
    const char* version = (FramesCount() > 0 || transparentFirst) ? "GIF89a" : "GIF87a";
    b.insert(b.end(), version, version + 6);

    const int globalBits = globalExists_ ? tableBits(globalEntries_) : 0;
    put16(b, screenWidth_);
    put16(b, screenHeight_);
    b.push_back(globalExists_
                    ? static_cast<uint8_t>(0x80 + (globalBits - 1) * 16 + (globalSorted_ ? 8 : 0) + (globalBits - 1))
                    : 0);
    b.push_back(background_);
    b.push_back(aspect_);
    if (globalExists_) putColourTable(b, globalPalette_.data(), globalEntries_, globalBits);

    if (FramesCount() > 0) {
        static constexpr uint8_t loopHead[16] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C',
                                                 'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
        b.insert(b.end(), loopHead, loopHead + 16);
        put16(b, loops_);
        b.push_back(0);
    }

    AtomicFileWriter out(fileName, "cGIF");
    out.write(b.data(), b.size());
    b.clear();
    // One frame at a time (only it need be in memory), the compressor's tables shared.
    GifLzwCompressor compressor;
    std::vector<uint8_t> h, data;
    for (int16_t n = 1; n <= FramesCount(); ++n) {
        const Frame& f = frame(n);
        const GcDIB& img = bitmaps(n, false).image;
        h.clear();
        if (img.empty() || img.Bpp() != 8) raiseModel("Frame without an 8-bpp image");
        h.insert(h.end(), {0x21, 0xF9, 0x04});
        h.push_back(static_cast<uint8_t>((f.useTransparent ? 1 : 0) + (f.userInput ? 2 : 0) + f.disposal * 4));
        put16(h, f.delay);
        h.push_back(f.useTransparent ? static_cast<uint8_t>(f.transparentIndex) : 0);
        h.push_back(0);

        int bits;
        if (f.localUsed) {
            bits = tableBits(f.localEntries);
        } else {
            if (!globalExists_) raiseModel("Frame without a palette");
            bits = globalBits;
        }
        // Up to 4 rows the data is in plain order, so the descriptor says so too.
        const bool interlaced = f.interlaced && img.Height() > 4;
        h.push_back(0x2C);
        put16(h, f.left);
        put16(h, f.top);
        put16(h, img.Width());
        put16(h, img.Height());
        h.push_back(static_cast<uint8_t>((bits - 1) + (f.localSorted ? 0x20 : 0) + (interlaced ? 0x40 : 0) +
                                         (f.localUsed ? 0x80 : 0)));
        if (f.localUsed) putColourTable(h, f.palette.data(), f.localEntries, bits);

        const int codeSize = bits <= 1 ? 2 : bits;
        // An index beyond the table would collide with the Clear and End codes.
        if (codeSize < 8 && !indexesBelow(img, 1 << codeSize)) raiseModel("Pixel index outside the colour table");
        h.push_back(static_cast<uint8_t>(codeSize));
        compressor.compress({img.lpBits(), img.Width(), img.Height(), img.BytesPerScanLine(),
                             static_cast<uint8_t>(codeSize + 1), f.interlaced},
                            data);
        static constexpr uint8_t terminator = 0;
        out.write(h.data(), h.size());
        out.write(data.data(), data.size());
        out.write(&terminator, 1);
    }
    b.push_back(0x3B);
    out.write(b.data(), b.size());
    out.commit();
    return true;
}

}  // namespace nalo
