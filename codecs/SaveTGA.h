#pragma once
// TGA writer: a picture as a 24-bit true-colour TGA file, bottom row first,
// uncompressed (image type 2) or run-length encoded (image type 10).
#include <string>

#include "platform/Dib.h"

namespace nalo {

class SaveTGA {
public:
    // Writes `Pic` to `FileName`. The file is written under a temporary name and
    // replaces an existing one only when complete. Errors raise RuntimeError.
    void SaveTGAinFile(const std::string& FileName, const Dib& Pic, bool Compress);
};

}  // namespace nalo
