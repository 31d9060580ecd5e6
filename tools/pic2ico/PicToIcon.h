#pragma once
// The icon builder and the high-quality shrink of the picture-to-icon tool.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dib.h"
#include "platform/PictureDecoders.h"

namespace nalo {

// Lets pending window events run (one pass of the message loop); may be empty.
using YieldFn = std::function<void()>;

// Writes the top-left 32 x 32 pixels of `source` as an ICO file of `bitCount` bits
// (1, 4, 8 or 24) in which every pixel of `transparent` is transparent. Returns false,
// writing nothing, when `source` is empty or the bit count is another value. File errors
// raise a RuntimeError naming the file; an existing file is then left as it was.
bool MakeIcon(const Dib& source, ColourValue transparent, const std::string& fileName, int bitCount,
              const YieldFn& yield = {});
// The same with the transparent pixels given by `clear` (one byte per pixel of the 32 x 32
// icon, rows top to bottom, non-zero = transparent; drawn black in the image).
bool MakeIcon(const Dib& source, const std::vector<uint8_t>& clear, const std::string& fileName, int bitCount,
              const YieldFn& yield = {});

// Writes one icon holding the picture at each of `sides` (1..256 pixels), 32-bit with
// alpha: the whole picture fitted into each square with its aspect ratio kept, its
// alpha plane (if any) kept and pixels of `transparent` (if given) made clear. File
// errors raise a RuntimeError naming the file.
void MakeMultiSizeIcon(const DecodedPicture& source, std::optional<ColourValue> transparent,
                       const std::string& fileName, const std::vector<int>& sides);

// Copies the rectangle (x, y, w, h) of `source` to the same place in `destination`,
// with every pixel equal to `from` replaced by `to`.
void ChangePixels(const Dib& source, int x, int y, int w, int h, ColourValue from, ColourValue to,
                  Dib& destination);

// Clears `destination` to `background` and draws `source` into it, fitted with its
// aspect ratio kept and centred. Quality 0 is a colour-on-colour stretch; 1 to 3 average
// boxes of source pixels, sampling every step-th position (step = source pixels per
// destination pixel / quality, rounded). Returns false when the quality cannot be made
// (a step that rounds to 0, an empty source); the destination is then left cleared.
bool ShrinkPicture(const Dib& source, Dib& destination, int quality, ColourValue background,
                   const YieldFn& perRow = {});

}  // namespace nalo
