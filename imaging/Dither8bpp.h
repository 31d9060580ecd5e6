#pragma once
// Conversion of 32-bpp pictures to 8 bpp on the 216-colour cube: each channel goes
// to its nearest cube level, without dithering.
#include <cstddef>
#include <cstdint>

namespace nalo {

class GcDIB;
class cPal8bpp;

namespace mDither8bpp {

// Builds the cube level table; call before the other operations.
void InitDitherTables();

// (Re)creates dst at src's size, 8 bpp, with the cube palette as colour table, and maps
// every pixel of the 32-bpp src. keepPalette reuses the palette of the previous call.
// Returns false when src is not a 32-bpp bitmap or dst cannot be made.
bool DitherTo8bpp(const GcDIB& src, GcDIB& dst, cPal8bpp& palette, bool keepPalette);
// The same from 32-bpp rows in memory (`stride` bytes apart, the top row first when
// topDown), such as a decoded frame.
bool DitherRowsTo8bpp(const uint8_t* bits, size_t stride, bool topDown, int32_t w, int32_t h, GcDIB& dst,
                      cPal8bpp& palette, bool keepPalette);

// The index at (x, y) of an 8-bpp bitmap; 0 outside it or for other depths.
uint8_t GetPixelIndex(const GcDIB& dib, int32_t x, int32_t y);

// Cube level (0..5) of a channel value.
uint8_t CubeLevel(uint8_t v);

}  // namespace mDither8bpp

}  // namespace nalo
