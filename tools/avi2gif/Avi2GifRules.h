#pragma once
// The AVI-to-GIF tool's rules that its window and the command line share.
#include <cstdint>
#include <optional>

namespace nalo {

class cGIF;
class ProgressReporter;

namespace avi2gif {

// Preview timer interval for a frame delay (hundredths of a second).
int32_t PreviewInterval(int16_t delay);

// Palette depth shown for a palette of `entries` colours: the smallest n >= 1 with 2^n >= entries.
int PaletteDepth(int entries);

// The transparent index a pick at picture point (x, y) gives: frame `frame`'s pixel at
// (L + x, T + y) with L, T of frame 1, when L <= x < width - L and T <= y < height - T
// (width, height of frame 1's image); nothing outside that range.
std::optional<uint8_t> PickTransparentIndex(const cGIF& gif, int16_t frame, int32_t x, int32_t y);

// Optimisation as the window does it: global palette, then the transparent index
// renumbered from frame 1, then the frames. Returns the new transparent index.
uint8_t Optimize(cGIF& gif, ProgressReporter* progress);

}  // namespace avi2gif

}  // namespace nalo
