#include "tools/g2g/G2GRules.h"

#include <algorithm>

#include "shell/FileHelpers.h"

namespace nalo::g2g {

std::string FrameFileBaseOf(const std::string& gifPath) {
    const std::string folder = ParentPath(gifPath);
    std::string base, ext;
    SplitName(FileNameOf(gifPath), base, ext);
    return folder.empty() ? base : AddBackslash(folder) + base;
}

PreviewSize FitPreview(int width, int height) {
    constexpr int Box = 90;
    if (width <= 0 || height <= 0) return {Box, Box};
    if (height > width) return {std::max(1, width * Box / height), Box};
    return {Box, std::max(1, height * Box / width)};
}

}  // namespace nalo::g2g
