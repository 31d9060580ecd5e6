#pragma once
// The picture budget: the most pixels any decoder builds a picture of, checked
// before a pixel buffer is allocated, so that a small hostile file cannot claim
// gigabytes. 128 megapixels unless NALO_MAX_PIXELS names another positive count.
#include <cstdint>
#include <string>

namespace nalo {

inline constexpr int64_t DefaultPictureBudget = int64_t(128) << 20;

// The budget in pixels: NALO_MAX_PIXELS when it holds a positive number (capped at
// the drawing layer's MaxDibPixels), else DefaultPictureBudget.
int64_t PictureBudget();

// True when a width x height picture fits the budget (negative sizes never do).
bool FitsPictureBudget(int64_t width, int64_t height);

// Raises RuntimeError (481, `source`) naming the file, its size and the budget when
// width x height does not fit.
void CheckPictureBudget(int64_t width, int64_t height, const std::string& name, const std::string& source);

}  // namespace nalo
