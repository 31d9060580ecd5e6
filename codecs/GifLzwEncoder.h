#pragma once
// LZW compression of one GIF image: variable-length codes from the initial width up
// to 12 bits, least significant bit first, cut into data sub-blocks of 1..254 bytes.
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

namespace nalo {

class GcDIB;

// Writes the data sub-blocks of an 8-bpp bitmap's indices at the file's current
// position: no minimum-code-size byte before them and no terminator after them.
// initialCodeWidth is the minimum code size + 1; every index must be below
// 2^(initialCodeWidth - 1). Interlaced order is used only for more than 4 rows.
// A bitmap of another depth (or an empty one) writes nothing.
void GIFLZWEncode(std::FILE* out, const GcDIB& dib, uint8_t initialCodeWidth, bool interlace);

// The same over a raw index buffer (rows `stride` bytes apart).
void GIFLZWEncodePixels(std::FILE* out, const uint8_t* pixels, int width, int height, int stride,
                        uint8_t initialCodeWidth, bool interlace);

// One image for GIFLZWEncodeImages, with the parameters of GIFLZWEncodePixels.
struct LzwImage {
    const uint8_t* pixels;
    int width, height, stride;
    uint8_t initialCodeWidth;
    bool interlace;
};

// Compresses images one after another with one set of tables, each exactly as
// GIFLZWEncodePixels writes it.
class GifLzwCompressor {
public:
    GifLzwCompressor();
    ~GifLzwCompressor();
    GifLzwCompressor(const GifLzwCompressor&) = delete;
    GifLzwCompressor& operator=(const GifLzwCompressor&) = delete;
    // The data sub-blocks of one image into out (cleared first).
    void compress(const LzwImage& image, std::vector<uint8_t>& out);

private:
    struct Tables;
    std::unique_ptr<Tables> tables_;
};

// Compresses count images into outs[0..count) (each cleared first), exactly as
// GIFLZWEncodePixels writes them one by one, with one set of tables for all.
void GIFLZWEncodeImages(const LzwImage* images, size_t count, std::vector<uint8_t>* outs);

}  // namespace nalo
