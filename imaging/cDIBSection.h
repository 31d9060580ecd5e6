#pragma once
// The 24-bit bottom-up working picture of the colour-depth tool, with block copies
// in and out and a 24-bit BMP writer.
#include <cstdint>
#include <string>

#include "platform/Dib.h"

namespace nalo {

// 14-byte BMP file header + 40-byte info header for a bottom-up picture.
void putBmpHeaders(uint8_t* out, int32_t width, int32_t height, int bitCount, uint32_t tableEntries,
                   uint32_t imageSize);

// Writes header bytes and pixel bytes as one file under a temporary name, renamed over
// `path` when complete. Raises error 17 (source "<app>.cDIBSection256", the system's reason).
void writeBmpFile(const std::string& path, const uint8_t* head, size_t headSize, const uint8_t* bits,
                  size_t bitsSize);

class cDIBSection {
public:
    bool Create(int32_t lWidth, int32_t lheight);
    // Any decoded picture; the buffer holds it at 24 bits per pixel.
    void CreateFromPicture(const Dib& picThis);
    // The same, taking over a 24-bit bottom-up picture's buffer instead of copying it.
    void CreateFromPicture(Dib&& picThis);

    int32_t BytesPerScanLine() const { return dib_.stride(); }
    int32_t Width() const { return dib_.width(); }
    int32_t Height() const { return dib_.height(); }
    bool empty() const { return dib_.empty(); }

    // Negative sizes stand for the buffer's own size.
    void LoadPictureBlt(const Dib& src, int32_t lSrcLeft = 0, int32_t lSrcTop = 0, int32_t lSrcWidth = -1,
                        int32_t lSrcHeight = -1, Rop eRop = Rop::SrcCopy);
    void PaintPicture(Dib& dst, int32_t lDestLeft = 0, int32_t lDestTop = 0, int32_t lDestWidth = -1,
                      int32_t lDestHeight = -1, int32_t lSrcLeft = 0, int32_t lSrcTop = 0,
                      Rop eRop = Rop::SrcCopy) const;

    Dib& hdc() { return dib_; }
    const Dib& hdc() const { return dib_; }
    // Row 0 is the bottom row; blue, green, red per pixel.
    uint8_t* DIBSectionBitsPtr() { return dib_.bits(); }
    const uint8_t* DIBSectionBitsPtr() const { return dib_.bits(); }

    void ClearUp() { dib_ = Dib(); }
    void SavePicture(const std::string& sFileName) const;

private:
    Dib dib_;
};

}  // namespace nalo
