#pragma once
// Picture orientation as EXIF and TIFF give it (1 = as stored, 2-8 the mirrored and
// rotated forms), read from EXIF blocks with libexif and applied to decoded pictures.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/PictureDecoders.h"

namespace nalo {

// The orientation an EXIF block declares (with or without its "Exif\0\0" head); 1
// when it declares none, or one outside 1-8, or cannot be read.
int exifOrientation(std::span<const uint8_t> exif);

// The orientation of a JPEG file's EXIF block: its first APP1 "Exif" segment before
// the frame header, within the file's first JpegExifReach bytes (so that the size
// probe, which reads only that far, agrees with the decoder).
inline constexpr size_t JpegExifReach = 256 * 1024;
int jpegOrientation(std::span<const uint8_t> jpeg);

// Turns the picture and its alpha upright by `orientation` (which becomes 1); the
// picture stays 24-bit bottom-up, a quarter turn swapping its width and height.
void applyOrientation(DecodedPicture& decoded);

}  // namespace nalo
