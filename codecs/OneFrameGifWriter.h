#pragma once
// GIF: writes one picture as a single-image 256-colour GIF, optionally with one
// transparent colour. Its own LZW coder writes 9-bit codes only: a clear code starts
// every row and follows at most 253 added sequences, so codes never pass 511.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

// The 125-colour palette of pictures that are not 8 bits: entry i = (L[i mod 5],
// L[(i div 5) mod 5], L[i div 25]) with L = 0, 64, 128, 192, 255; entries 125..255 black.
const std::array<RgbQuad, 256>& CubePalette125();
// Index of the palette entry nearest to c (ties to the lowest index).
uint8_t CubeIndexOf(ColourValue c);

class GIF {
public:
    // Writes `Pic` to `sFileName` (under a temporary name, renamed over the target when
    // complete). 8-bit pictures keep their indexes and colour table; others are mapped
    // to CubePalette125. With UseTrans the file is GIF89a and the first table entry
    // equal to TransColor (else entry 0) is transparent. Returns false, writing
    // nothing, while a call is already running. File errors raise RuntimeError.
    bool SaveGIF(const Dib& Pic, const std::string& sFileName, bool UseTrans, ColourValue TransColor);

    // Told the percentage after every 10th row (the window lets events run there).
    std::function<void(int16_t percent)> Progress;

private:
    void encode(int width, int height);
    void putCode(uint32_t code) {
        bitBuffer_ |= code << bitCount_;
        bitCount_ += 9;
        while (bitCount_ >= 8) {
            data_.push_back(static_cast<uint8_t>(bitBuffer_));
            bitBuffer_ >>= 8;
            bitCount_ -= 8;
        }
    }

    bool busy_ = false;
    std::vector<uint8_t> pixels_;  // rows of indexes, top row first, width bytes each
    std::vector<uint8_t> data_;    // the coded bytes before cutting into sub-blocks
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    // String table: sequence (prefix code, next index) -> code, valid when its stamp is current.
    std::vector<uint32_t> stamp_;
    std::vector<uint16_t> code_;
    uint32_t generation_ = 0;
};

}  // namespace nalo
