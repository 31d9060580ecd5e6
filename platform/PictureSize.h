#pragma once
// The size a BMP, JPEG, GIF, PNG, WebP or TIFF file declares, read from its headers without decoding
// it: what a caller checks before it lets a decoder allocate the picture.
#include <cstdint>
#include <optional>
#include <string>

namespace nalo {

struct PictureSize {
    int64_t width = 0, height = 0;
};

// The width and height the picture loader would give the file (a GIF's first frame
// reaching past its screen widens it). Nothing when the file cannot be read or its
// headers are not understood: decoding it then gives the reason.
std::optional<PictureSize> probePictureSize(const std::string& path);

}  // namespace nalo
