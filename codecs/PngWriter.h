#pragma once
// PNG files written with libpng, pixel for pixel from a DIB: a paletted DIB (1, 4 or
// 8 bits) as an indexed PNG of the same depth and colour table, 24 bits as RGB,
// 32 bits as RGBA (the fourth byte taken as alpha).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

// The PNG bytes of `picture`; `name` names it in errors (RuntimeError).
std::vector<uint8_t> encodePng(const Dib& picture, const std::string& name);

// Writes `picture` as a PNG file through AtomicFileWriter: the target is replaced
// only by a complete file. Raises RuntimeError naming the file on failure.
void savePicturePng(const Dib& picture, const std::string& path, const std::string& source = "SavePicture");

// True when the file name ends in ".png" (any case).
bool hasPngExtension(const std::string& path);

}  // namespace nalo
