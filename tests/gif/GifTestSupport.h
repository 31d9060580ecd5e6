#pragma once
// Helpers of the GIF tests: models built from index buffers, decoding with giflib and
// with ImageMagick.
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/GifAnimation.h"

namespace nalo::test {

struct DecodedFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<uint8_t> indexes;  // row by row, top first
    std::vector<uint8_t> rgb;      // colour map, 3 bytes per entry
};

struct DecodedGif {
    int screenWidth = 0, screenHeight = 0;
    std::vector<DecodedFrame> frames;
};

// Decodes with giflib's DGifSlurp; fails the test on an error.
DecodedGif decodeGiflib(const std::string& path);
// Composed frames from ImageMagick (-coalesce) as RGBA, screen-sized each.
std::vector<std::vector<uint8_t>> decodeMagickRgba(const std::string& path, int width, int height);

// A palette of n distinct colours in RGBQUAD order.
std::vector<uint8_t> distinctPalette(int n);
// Sets frame n's pixels from a top-first index buffer.
void setIndexes(cGIF& gif, int16_t n, const std::vector<uint8_t>& indexes);
// A one-frame model with a global palette of `entries` colours.
void makeOneFrame(cGIF& gif, int w, int h, int entries, const std::vector<uint8_t>& indexes, bool interlaced = false);

// Composes the model's frames as a GIF viewer does (disposal 0/1 keep, 2 background,
// 3 previous), RGBA with alpha 0 for never-covered pixels.
std::vector<std::vector<uint8_t>> composeModel(const cGIF& gif);

}  // namespace nalo::test
