#pragma once
// One bitmap as the raw blocks of a BMP file: the 14-byte file header, the 40-byte
// info header, the info block (the header and whatever follows it up to the pixels)
// and the pixel block. No pixel conversion.
#include <cstdint>
#include <string>

#include "platform/AviFile.h"
#include "platform/FileBytes.h"

namespace nalo {

#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    uint16_t bfType = 0;
    uint32_t bfSize = 0;
    uint16_t bfReserved1 = 0, bfReserved2 = 0;
    uint32_t bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

inline constexpr uint16_t BitmapFileType = 0x4D42;  // "BM"
inline constexpr uint32_t BitmapHeadersSize = 14 + 40;

enum class PackedDibLoad { Loaded, TooFewColours, NoPixels };

class DibBlocks {
public:
    // Takes a packed DIB (40-byte header, then the pixels; no colour table): only bit
    // counts of 16 and more with an image size of at least 1. The file header is built
    // for a 54-byte offset.
    PackedDibLoad loadPackedDib(const void* address);
    // Writes file header, info block and pixels under a temporary name and renames
    // the file over `path`; false (and `path` untouched) on any failure.
    bool writeToFile(const std::string& path, const char* source) const;
    void clear();

    bool loaded() const { return loaded_; }
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    FileBuffer infoBytes;
    FileBuffer pixels;

private:
    friend class cDIB;
    bool loaded_ = false;
};

}  // namespace nalo
