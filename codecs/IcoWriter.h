#pragma once
// Writer of one-image 32 x 32 ICO files at 1, 4, 8 or 24 bits per pixel.
//
// The directory entry and the image header carry fixed values per depth (planes and
// bit count 5 and 7 for 1 bit, 0 otherwise; header image sizes 128 / 2 / 1152 / 1153;
// colours used 0 / 0 / 256 / 1) that existing icon files of this program have; the
// 24-bit image has a one-entry colour table of four blanks.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

inline constexpr int IconSide = 32;

bool isIconBitCount(int bitCount);

// Total file size for a bit count (326 / 766 / 2238 / 3266), 0 for others.
int icoFileSize(int bitCount);

// The file bytes. `xorImage` is a 32 x 32 bottom-up bitmap at the icon's bit count (its
// colour table is written for 1, 4 and 8 bits); `andMask` is a 32 x 32 1-bit bitmap, 1 =
// transparent. Raises error 5 for other sizes or depths.
std::vector<uint8_t> encodeIco(const Dib& xorImage, const Dib& andMask);

// Writes the file under a temporary name in the same folder and renames it over `path`;
// on failure raises a RuntimeError naming the file and leaves any old file untouched.
void saveIcoFile(const std::string& path, const Dib& xorImage, const Dib& andMask);

}  // namespace nalo
