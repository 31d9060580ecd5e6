#pragma once
// giflib's reading of a GIF written by one of our encoders, for the round trips.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Dib.h"

namespace nalo::fuzz {

struct DecodedGif {
    int width = 0, height = 0;
    std::vector<uint8_t> indexes;   // top row first, de-interlaced
    std::vector<RgbQuad> palette;   // the colour map the image uses
};

// The first image of a GIF file in memory; fails the round trip when giflib refuses it.
DecodedGif decodeWithGiflib(std::span<const uint8_t> file);

// A picture of up to 64 x 64 pixels from the input: width and height from the first
// two bytes, then the indexes (below 2^bits), repeated when the input is short.
struct IndexPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> indexes;
};
IndexPicture pictureFrom(std::span<const uint8_t> input, int bits);

}  // namespace nalo::fuzz
