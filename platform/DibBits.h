#pragma once
// The bitmap-bits query: a bitmap's pixels read back at a chosen bit count, as the
// platform returns them. Paletted depths use the fixed default tables below and map
// every pixel to its nearest table colour.
#include <vector>

#include "platform/Dib.h"

namespace nalo {

// The default colour table for 1, 4 or 8 bits:
//  1 bit  - black, white;
//  4 bits - the 16 standard colours (black, dark red, dark green, olive, navy, purple,
//           teal, silver, grey, red, lime, yellow, blue, fuchsia, aqua, white);
//  8 bits - the 16 standard colours, a 6 x 6 x 6 colour cube (levels 0, 51, ..., 255;
//           entry 16 + 36r + 6g + b) and 24 greys (8, 18, ..., 238).
const std::vector<RgbQuad>& defaultColourTable(int bitCount);

// A bottom-up copy of `src` at 1, 4, 8 or 24 bits. Paletted results carry the default
// table and take the nearest colour (squared RGB distance, ties to the lower index).
Dib dibBits(const Dib& src, int bitCount);

}  // namespace nalo
