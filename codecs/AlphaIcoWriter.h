#pragma once
// ICO files of several sizes at 32 bits with alpha: each image a 32-bit bitmap with
// its AND mask (set where alpha is 0), the 256-pixel one stored as PNG.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

// The icon sizes of current desktops.
inline constexpr int AllIconSides[] = {16, 24, 32, 48, 64, 128, 256};

// The file bytes for square 32-bit images (B, G, R, A) of sides 1..256, in the
// order given. Raises error 5 for another size or depth.
std::vector<uint8_t> encodeAlphaIco(const std::vector<Dib>& images);

// Writes the file through AtomicFileWriter; raises RuntimeError naming the file.
void saveAlphaIcoFile(const std::string& path, const std::vector<Dib>& images);

}  // namespace nalo
