#include "tools/bj2a/Bj2aRules.h"

#include <algorithm>

#include "shell/FileHelpers.h"
#include "shell/Rounding.h"

namespace nalo::bj2a {

int LimitFps(int fps) { return std::clamp(fps, 1, 30); }

PreviewSize PreviewFor(int width, int height) {
    constexpr int Side = 100;
    if (width <= 0 || height <= 0) return {Side, Side};
    if (width > height) return {Side, std::max(1, toInt32(double(height) * Side / width))};
    return {std::max(1, toInt32(double(width) * Side / height)), Side};
}

std::string TempFramePath(const std::string& folder) { return AddBackslash(folder) + TempFrameName; }

}  // namespace nalo::bj2a
