#include "tools/avi2gif/Avi2GifRules.h"

#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GifOptimizer.h"

namespace nalo::avi2gif {

int32_t PreviewInterval(int16_t delay) {
    if (delay < 0) return 60000;
    if (delay == 0) return 100;
    if (delay <= 4) return 50;
    return delay * 10;
}

int PaletteDepth(int entries) {
    int n = 1;
    while ((1 << n) < entries && n < 31) ++n;
    return n;
}

std::optional<uint8_t> PickTransparentIndex(const cGIF& gif, int16_t frame, int32_t x, int32_t y) {
    if (gif.FramesCount() < 1 || frame < 1 || frame > gif.FramesCount()) return std::nullopt;
    const int32_t L = gif.FrameLeft(1), T = gif.FrameTop(1);
    const int32_t width = gif.FrameDIBXOR(1).Width(), height = gif.FrameDIBXOR(1).Height();
    if (x < L || x >= width - L || y < T || y >= height - T) return std::nullopt;
    const auto& image = gif.FrameDIBXOR(frame);
    if (L + x >= image.Width() || T + y >= image.Height()) return std::nullopt;
    return mDither8bpp::GetPixelIndex(image, L + x, T + y);
}

uint8_t Optimize(cGIF& gif, ProgressReporter* progress) {
    mGIFExt::OptimizeGlobalPalette(gif, progress);
    const auto index = static_cast<uint8_t>(gif.FrameTransparentColorIndex(1));
    mGIFExt::OptimizeFrames(gif, progress);
    return index;
}

}  // namespace nalo::avi2gif
