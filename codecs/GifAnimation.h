#pragma once
// cGIF: an animated GIF in memory (logical screen, global palette, frames with their
// graphic-control settings, loop count) and its GIF89a writer. Frame numbers are
// 1-based; numbers outside the list raise error 9. The frames' bitmaps live in a
// GifFrameStore: a bitmap reference stays valid, but once other frames have been used
// its frame may have moved out of memory (the bitmap then reads empty until its frame
// is asked for again); the two frames used last are always in memory.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/GifFrameStore.h"
#include "imaging/GcDIB.h"

namespace nalo {

class cGIF {
public:
    // `residentBytes`: the most frame pixels kept in memory; `swapFolder`: where the
    // others go ("" for the work folder).
    explicit cGIF(size_t residentBytes = GifFrameStore::DefaultResidentBytes, std::string swapFolder = "");
    ~cGIF() = default;
    cGIF(const cGIF&) = delete;
    cGIF& operator=(const cGIF&) = delete;

    // Writes the model as a GIF file: to a temporary file beside the target, renamed
    // over it when complete. Raises RuntimeError on file errors and model faults.
    bool Save(const std::string& fileName) const;
    // Clears screen, global palette (GlobalPaletteExists kept), loops and all frames.
    void Destroy();
    // Draws frame n onto dc at (Left, Top), scaled; with transparency through its mask.
    void FrameDraw(Dib& dc, int16_t nFrame, int32_t Left, int32_t Top, float ScaleFactor, bool ScreenCrop) const;
    // Rebuilds the mask of frame n for transparent index t and the colour image's table.
    void FrameMask(int16_t nFrame, uint8_t TransparentColorIndex);
    // Appends a frame of Width x Height (1..32767), black, zeroed settings.
    void FrameInsert(int16_t nFrame, int32_t Width, int32_t Height);
    void FrameRemove(int16_t nFrame);

    int16_t AnimationLoops() const { return loops_; }
    void AnimationLoops(int16_t v) { loops_ = v; }
    int16_t ScreenWidth() const { return screenWidth_; }
    void ScreenWidth(int32_t v);
    int16_t ScreenHeight() const { return screenHeight_; }
    void ScreenHeight(int32_t v);
    uint8_t ScreenBackgroundColorIndex() const { return background_; }
    void ScreenBackgroundColorIndex(uint8_t v) { background_ = v; }
    float ScreenPixelAspectRatio() const { return (aspect_ + 15) / 64.0f; }
    void ScreenPixelAspectRatio(float v);
    bool GlobalPaletteExists() const { return globalExists_; }
    void GlobalPaletteExists(bool v) { globalExists_ = v; }
    bool GlobalPaletteSorted() const { return globalSorted_; }
    void GlobalPaletteSorted(bool v) { globalSorted_ = v; }
    int16_t GlobalPaletteEntries() const { return globalEntries_; }
    void GlobalPaletteEntries(int16_t v) { globalEntries_ = v; }
    // The 1024-byte global palette, RGBQUAD order.
    uint8_t* lpGlobalPalette() { return globalPalette_.data(); }
    const uint8_t* lpGlobalPalette() const { return globalPalette_.data(); }
    ColourValue GlobalPaletteRGBEntry(uint8_t nEntry) const;

    int16_t FramesCount() const { return static_cast<int16_t>(frames_.size()); }
    // The frame's bitmaps, brought into memory. Through a non-const model the caller may
    // change them; reading through a const one spares writing them out again.
    GcDIB& FrameDIBXOR(int16_t n) { return bitmaps(n, true).image; }
    const GcDIB& FrameDIBXOR(int16_t n) const { return bitmaps(n, false).image; }
    GcDIB& FrameDIBAND(int16_t n) { return bitmaps(n, true).mask; }
    const GcDIB& FrameDIBAND(int16_t n) const { return bitmaps(n, false).mask; }

    int16_t FrameDelay(int16_t n) const { return frame(n).delay; }
    void FrameDelay(int16_t n, int16_t v) { frame(n).delay = v; }
    bool FrameInterlaced(int16_t n) const { return frame(n).interlaced; }
    void FrameInterlaced(int16_t n, bool v) { frame(n).interlaced = v; }
    int16_t FrameLeft(int16_t n) const { return frame(n).left; }
    void FrameLeft(int16_t n, int16_t v) { frame(n).left = v; }
    int16_t FrameTop(int16_t n) const { return frame(n).top; }
    void FrameTop(int16_t n, int16_t v) { frame(n).top = v; }
    uint8_t FrameDisposalMethod(int16_t n) const { return frame(n).disposal; }
    void FrameDisposalMethod(int16_t n, uint8_t v) { frame(n).disposal = v; }
    bool FrameUseTransparentColor(int16_t n) const { return frame(n).useTransparent; }
    void FrameUseTransparentColor(int16_t n, bool v) { frame(n).useTransparent = v; }
    int16_t FrameTransparentColorIndex(int16_t n) const { return frame(n).transparentIndex; }
    void FrameTransparentColorIndex(int16_t n, int16_t v) { frame(n).transparentIndex = v; }
    bool FrameUserInput(int16_t n) const { return frame(n).userInput; }
    void FrameUserInput(int16_t n, bool v) { frame(n).userInput = v; }

    // The frame's 1024-byte palette (its working palette for the mask as well).
    uint8_t* lpLocalPalette(int16_t n) { return frame(n).palette.data(); }
    const uint8_t* lpLocalPalette(int16_t n) const { return frame(n).palette.data(); }
    ColourValue LocalPaletteRGBEntry(int16_t n, uint8_t nEntry) const;
    bool LocalPaletteUsed(int16_t n) const { return frame(n).localUsed; }
    void LocalPaletteUsed(int16_t n, bool v) { frame(n).localUsed = v; }
    bool LocalPaletteSorted(int16_t n) const { return frame(n).localSorted; }
    void LocalPaletteSorted(int16_t n, bool v) { frame(n).localSorted = v; }
    int16_t LocalPaletteEntries(int16_t n) const { return frame(n).localEntries; }
    void LocalPaletteEntries(int16_t n, int16_t v) { frame(n).localEntries = v; }

private:
    struct Frame {
        // Graphic control.
        bool useTransparent = false;
        int16_t transparentIndex = 0;
        int16_t delay = 0;
        uint8_t disposal = 0;
        bool userInput = false;
        // Image (its colour image and mask, in the store).
        std::unique_ptr<GifFrameBitmaps> bitmaps = std::make_unique<GifFrameBitmaps>();
        int16_t left = 0, top = 0;
        bool interlaced = false, localUsed = false, localSorted = false;
        int16_t localEntries = 0;
        std::array<uint8_t, 1024> palette{};
    };

    Frame& frame(int16_t n);
    const Frame& frame(int16_t n) const;
    GifFrameBitmaps& bitmaps(int16_t n, bool changing) const {
        return store_.use(*const_cast<cGIF*>(this)->frame(n).bitmaps, changing);
    }

    int16_t screenWidth_ = 0, screenHeight_ = 0;
    uint8_t background_ = 0, aspect_ = 0;
    int16_t loops_ = 0;
    bool globalExists_ = false, globalSorted_ = false;
    int16_t globalEntries_ = 0;
    std::array<uint8_t, 1024> globalPalette_{};
    std::vector<Frame> frames_;
    mutable GifFrameStore store_;
};

}  // namespace nalo
