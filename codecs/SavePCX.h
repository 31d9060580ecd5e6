#pragma once
// PCX writer: a picture as a 24-bit three-plane PCX file, run-length encoded or not.
#include <string>

#include "platform/Dib.h"

namespace nalo {

class SavePCX {
public:
    // Writes `Pic` to `FileName` (version 5, 8 bits x 3 planes, bytes per line = width
    // rounded up to even, no palette block). The file is written under a temporary
    // name and replaces an existing one only when complete. Errors raise RuntimeError.
    void SavePCXinFile(const std::string& FileName, const Dib& Pic, bool Compress);
};

}  // namespace nalo
