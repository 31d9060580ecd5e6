#pragma once
// FDIBPointer: a frame the AVI layer delivered as a packed DIB, written as a BMP
// file of exactly 54 + image-size bytes.
#include <string>

#include "codecs/DibBlocks.h"

namespace nalo {

class FDIBPointer {
public:
    // False, silently, for a bit count below 16 or an image size of 0.
    bool CreateFromPackedDIBPointer(const void* address) {
        return blocks_.loadPackedDib(address) == PackedDibLoad::Loaded;
    }
    // Writes the BMP file (temporary file renamed over the target); false on failure.
    bool WriteToFile(const std::string& fileName) const { return blocks_.writeToFile(fileName, "FDIBPointer"); }

    // The loaded frame: its header and its pixels.
    const BITMAPINFOHEADER& Header() const { return blocks_.infoHeader; }
    const uint8_t* Bits() const { return blocks_.pixels.data(); }
    bool Loaded() const { return blocks_.loaded(); }

private:
    DibBlocks blocks_;
};

}  // namespace nalo
