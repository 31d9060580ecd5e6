#pragma once
// The platform's picture loader and saver: BMP, JPEG, GIF, PNG, WebP and TIFF
// files decoded into a drawable picture, and a picture saved as an uncompressed
// 24-bit BMP.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/Dib.h"
#include "platform/PictureDecoders.h"

namespace nalo {

// File name patterns of the PNG, WebP and TIFF pictures the loader also reads, for the
// tools' lists, filters and drops.
inline constexpr const char* PngWebpTiffPatterns = "*.png;*.webp;*.tif;*.tiff";

enum class PictureKind { Unknown, Bmp, Jpeg, Gif, Png, Webp, Tiff };

// Kind by content (magic bytes), not by extension.
PictureKind detectPictureKind(const std::string& path);

// Decodes a picture file (GIF: the first frame composed on the logical screen;
// WebP: an animation's first frame; TIFF: the first page) into a 24-bit
// bottom-up Dib at the picture's own size. Transparent and translucent pixels
// are composed over white. Raises RuntimeError naming the file for unreadable,
// unknown, truncated or absurdly large pictures.
Dib loadPicture(const std::string& path);
// The same over a file held in memory; `name` names it in errors.
Dib decodePicture(std::span<const uint8_t> bytes, const std::string& name);

// The same pictures with their alpha kept apart (see DecodedPicture): the
// colours are not composed, and `alpha` is empty for opaque pictures.
DecodedPicture loadPictureWithAlpha(const std::string& path);
DecodedPicture decodePictureWithAlpha(std::span<const uint8_t> bytes, const std::string& name);

// The picture composed over white by its alpha (the picture itself when
// opaque).
Dib composeOverWhite(DecodedPicture decoded);

// The BITMAPINFOHEADER savePictureBmp writes for a width x height picture.
std::array<uint8_t, 40> bmpInfoHeader24(int width, int height);

// Writes `picture` as an uncompressed 24-bit bottom-up BMP file. The file is
// written under a temporary name and renamed over `path` only when complete.
// Raises RuntimeError naming the file on failure; no partial file is left.
void savePictureBmp(const Dib& picture, const std::string& path);

}  // namespace nalo
