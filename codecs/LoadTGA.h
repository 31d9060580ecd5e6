#pragma once
// TGA reader: 8 bits (colour-mapped or grey), 16, 24 and 32 bits, plain or run-length
// encoded, into the CurrentBitmap of its bitmap module.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "codecs/Nalo_B1.h"

namespace nalo {

class LoadTGA {
public:
    explicit LoadTGA(Nalo_B1& module) : module_(module) {}

    // Reads and decodes a file. A pixel depth other than 8, 16, 24 and 32 builds no
    // picture. Missing, short, truncated or oversized files and colour maps of more
    // than 256 entries (8-bit pictures) raise RuntimeError naming the file;
    // CurrentBitmap is then unchanged.
    void Load(const std::string& FileName);
    // The same over a file already in memory; `FileName` names it in errors.
    void Decode(std::span<const uint8_t> file, const std::string& FileName);
    void DrawTGA(Dib& PicObj) const { module_.DrawBitmap(width_, height_, PicObj, autoscale_); }

    int16_t ScaleMode() const { return scaleMode_; }
    void setScaleMode(int16_t v) { scaleMode_ = storedScaleMode(v); }
    int32_t TGAWidth() const { return scaledSize(scaleMode_, width_, twipsWidth_); }
    int32_t TGAHeight() const { return scaledSize(scaleMode_, height_, twipsHeight_); }
    bool Compressed() const { return header_[2] == 9 || header_[2] == 10 || header_[2] == 11; }
    int16_t Bpp() const { return header_[16]; }
    bool IsTGA() const;
    bool Autoscale() const { return autoscale_; }
    void setAutoscale(bool v) { autoscale_ = v; }

    static constexpr size_t HeaderSize = 18;

private:
    Nalo_B1& module_;
    std::array<uint8_t, HeaderSize> header_{};
    int32_t width_ = 0, height_ = 0, twipsWidth_ = 0, twipsHeight_ = 0;
    bool topDown_ = false;
    int16_t scaleMode_ = 1;
    bool autoscale_ = true;
};

}  // namespace nalo
