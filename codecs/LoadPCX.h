#pragma once
// PCX reader: 2, 16 and 256 colours and true colour, plain or run-length encoded,
// into the CurrentBitmap of its bitmap module.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "codecs/Nalo_B1.h"

namespace nalo {

class LoadPCX {
public:
    explicit LoadPCX(Nalo_B1& module) : module_(module) {}

    // Reads and decodes a file. A depth other than 1x1, 1x4, 4x1, 8x1 and 8x3 (bits x
    // planes) builds no picture. Missing, short, truncated or oversized files and 16-bit
    // overflow of the sizes raise RuntimeError naming the file; CurrentBitmap is then
    // unchanged.
    void Load(const std::string& FileName);
    // The same over a file already in memory; `FileName` names it in errors.
    void Decode(std::span<const uint8_t> file, const std::string& FileName);
    // Draws CurrentBitmap into `PicObj` (resized to the picture first when Autoscale).
    void DrawPCX(Dib& PicObj) const { module_.DrawBitmap(width_, height_, PicObj, autoscale_); }

    int16_t ScaleMode() const { return scaleMode_; }
    void setScaleMode(int16_t v) { scaleMode_ = storedScaleMode(v); }
    int32_t PCXWidth() const { return scaledSize(scaleMode_, width_, twipsWidth_); }
    int32_t PCXHeight() const { return scaledSize(scaleMode_, height_, twipsHeight_); }
    bool Compressed() const { return header_[2] == 1; }
    int16_t Bpp() const { return header_[3]; }
    bool IsPCX() const;
    bool Autoscale() const { return autoscale_; }
    void setAutoscale(bool v) { autoscale_ = v; }

    static constexpr size_t HeaderSize = 128;

private:
    Nalo_B1& module_;
    std::array<uint8_t, HeaderSize> header_{};
    int32_t width_ = 0, height_ = 0, twipsWidth_ = 0, twipsHeight_ = 0;
    int16_t lineLength_ = 0;
    int16_t scaleMode_ = 1;
    bool autoscale_ = true;
};

}  // namespace nalo
