#pragma once
// Turns the 24-bit working picture into a 1-, 4-, 8- or 24-bit picture and writes it
// as a BMP file, or as a PNG file (indexed at 1, 4 and 8 bits) when its name ends in .png.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "platform/Dib.h"

namespace nalo {

class cDIBSectionSave {
public:
    int32_t ColourDepth = 0;      // 0 = 1 bpp, 1 = 4 bpp, 2 = 8 bpp, 3 = 24 bpp
    int32_t ReductionMethod = 0;  // 0 none, 1 given palette with diffusion, 2 the depth's own method
    std::shared_ptr<cPalette> Palette;

    // Asked when the octree finds nothing to reduce; false cancels the conversion.
    std::function<bool()> askContinueReducing;

    // Reduces cDIB in place and builds the picture of the chosen depth. Returns false
    // only when the conversion was cancelled.
    bool Convert(cDIBSection& cDIB);
    // Raises error 17 with the system's reason when the file cannot be written.
    void Save(const std::string& sFileName) const;

    // The built low-depth picture (empty for depth 3 or before Convert).
    const Dib& lowDepth() const { return low_; }

private:
    // The empty low-depth picture with its colour table; false when it cannot be made.
    bool createLowDepth(int32_t width, int32_t height);
    // Each pixel's nearest table entry into the low-depth picture.
    void mapLowDepth(cDIBSection& cDIB);
    // True when the table starts with the palette's entries, so entry numbers are table indexes.
    bool tableStartsWith(const cPalette& pal) const;
    // Entry indexes (one byte per pixel, `width` per row) packed into a 1- or 4-bit picture.
    void packLowDepth(const std::vector<uint8_t>& entries);

    Dib low_;
    cDIBSection full_;
};

}  // namespace nalo
