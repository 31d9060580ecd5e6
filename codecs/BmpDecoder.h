#pragma once
// Windows bitmap (BMP) decoding: 1, 4, 8, 16, 24 and 32 bits, RLE4/RLE8, bit fields,
// top-down or bottom-up. Shared by the picture loader and the JPEG component.
#include <cstdint>
#include <span>
#include <string>

#include "platform/Dib.h"

namespace nalo {

// Decodes a BMP file held in memory. Paletted files (1/4/8 bits) keep their bit count
// and colour table; 16-bit and bit-field files become 32-bit; 24 stays 24; 32 stays 32
// (the fourth byte cleared). Rows keep the file's order. `name` names the file in
// errors. Truncated data, absurd sizes or an unknown layout raise RuntimeError
// (number 481 "invalid picture"); nothing is allocated beyond what the data can fill.
Dib decodeBmp(std::span<const uint8_t> data, const std::string& name);

// Reads and decodes a BMP file (file errors raise RuntimeError naming the file).
Dib readBmpFile(const std::string& path);

}  // namespace nalo
