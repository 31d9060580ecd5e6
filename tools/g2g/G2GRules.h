#pragma once
// Rules of the animated-GIF splitter tool shared by its window and the command line.
#include <string>

namespace nalo::g2g {

// The frame files' base: the source's folder + "/" + its name up to the first ".".
std::string FrameFileBaseOf(const std::string& gifPath);

struct PreviewSize {
    int width, height;
    friend bool operator==(const PreviewSize&, const PreviewSize&) = default;
};
// A picture fitted into the 90 x 90 preview boxes, keeping its aspect ratio.
PreviewSize FitPreview(int width, int height);

}  // namespace nalo::g2g
