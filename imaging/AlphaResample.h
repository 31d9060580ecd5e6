#pragma once
// A picture with its alpha fitted into a square of 32-bit B, G, R, A pixels: the
// aspect ratio kept, centred, the margin clear. Area averaging when shrinking and
// linear interpolation when enlarging, on premultiplied colours in a squared
// (near-linear) scale, so colours next to clear pixels do not fringe.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Dib.h"
#include "shell/Colour.h"

namespace nalo {

// `picture` is 24-bit; `alpha` one byte per pixel, rows top to bottom (empty:
// opaque). Pixels of colour `transparent`, when given, count as clear. Gives a
// bottom-up 32-bit Dib of side x side; the fourth byte of each pixel is its alpha.
Dib fitIntoSquareWithAlpha(const Dib& picture, const std::vector<uint8_t>& alpha, int side,
                           std::optional<ColourValue> transparent = std::nullopt);

}  // namespace nalo
