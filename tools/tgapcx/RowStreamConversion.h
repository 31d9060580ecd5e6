#pragma once
// The fast path of the TGA/PCX converter: 24-bit pictures move between TGA, BMP and
// PCX row by row, straight from the source file to the output file, without a
// picture in memory. The output bytes are those the general path (reader, work
// picture, writer) writes.
#include <string>

#include "tools/tgapcx/ConversionKinds.h"

namespace nalo::tgapcx {

// Converts `sourcePath` (read as `from`) to `outputPath` (written as `to`, TGA and
// PCX uncompressed, BMP 24-bit) when the source is a 24- or 32-bit true-colour TGA
// (plain or run-length), a plain 24-bit BMP or a 24-bit PCX that its reader takes
// without doubt. Returns false, having written and changed nothing, for any other
// file: the caller then takes the general path, which also gives every error
// message. Run-length data that ends early raises the reader's error.
bool convertByRows(const std::string& sourcePath, PictureType from, const std::string& outputPath, PictureType to);

}  // namespace nalo::tgapcx
