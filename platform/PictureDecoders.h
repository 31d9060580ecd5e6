#pragma once
// The decoders behind the picture loader. Each gives a 24-bit bottom-up Dib and
// raises RuntimeError (481, naming `name`) for truncated, damaged or absurd
// data.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Dib.h"

namespace nalo {

// A decoded picture with its transparency. `picture` holds the source colours
// as they are (not composed); `alpha` holds one opacity byte per pixel (0 =
// clear), rows top to bottom, and is empty when the picture is opaque.
// `orientation` is the EXIF/TIFF orientation (1-8) the file declares for its
// stored rows, not yet applied.
struct DecodedPicture {
    Dib picture;
    std::vector<uint8_t> alpha;
    int orientation = 1;
};

Dib decodeJpeg(std::span<const uint8_t> data, const std::string& name);

// The first frame composed on the logical screen. The screen starts as its
// background colour (white when the first frame is transparent or there is no
// global colour map); transparent pixels leave the screen as it is.
Dib decodeGif(std::span<const uint8_t> data, const std::string& name);

// Every colour type and bit depth, interlaced or not; 16-bit channels rounded
// to 8 bits, palette and grey transparency (tRNS) given as alpha.
DecodedPicture decodePng(std::span<const uint8_t> data, const std::string& name);

// Lossy or lossless, with alpha; of an animation, its first frame on the
// canvas.
DecodedPicture decodeWebp(std::span<const uint8_t> data, const std::string& name);

// The first page: RGB, palette or grey, any compression libtiff reads, strips
// or tiles.
DecodedPicture decodeTiff(std::span<const uint8_t> data, const std::string& name);

// Splits top-down 4-byte pixels (B, G, R, A) into the picture's rows and an
// alpha plane; the plane is dropped when every pixel is opaque.
void splitBgra(const uint8_t* bgra, size_t stride, DecodedPicture& out);

[[noreturn]] void raiseInvalidPicture(const std::string& source, const std::string& name, const std::string& why);

}  // namespace nalo
