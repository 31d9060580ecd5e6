// Icon engine timings: the four shrink qualities of a large picture, the three
// preparations, and writing the icon at every depth. Optionally ImageMagick's
// "convert IN -resize 32x32 OUT.ico" on the same picture for comparison.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/PictureIo.h"
#include "tools/pic2ico/IconCapture.h"
#include "tools/pic2ico/PicToIcon.h"
#include "tools/pic2ico/ThumbShrink.h"

using namespace nalo;
using Clock = std::chrono::steady_clock;

static double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

int main(int argc, char** argv) {
    const int w = argc > 1 ? std::atoi(argv[1]) : 4000, h = argc > 2 ? std::atoi(argv[2]) : 3000;
    Dib picture(w, h, 24);
    std::mt19937 gen(1);
    for (int y = 0; y < h; ++y) {
        uint8_t* r = picture.row(y);
        for (int i = 0; i < picture.stride(); ++i) r[i] = static_cast<uint8_t>(gen());
    }
    std::printf("picture %d x %d\n", w, h);
    for (int q = 0; q < ShrinkQualities; ++q) {
        Dib box(32, 32, 24);
        auto t = Clock::now();
        const bool ok = ShrinkPicture(picture, box, q, shrinkBackground());
        std::printf("ShrinkPicture quality %d: %8.2f ms%s\n", q, msSince(t), ok ? "" : " (not made)");
    }
    for (int mode = 0; mode < 3; ++mode) {
        auto t = Clock::now();
        const Dib icon = captureIcon(picture, IconCapture{IconCapture::Shrink, -1, mode, {}});
        std::printf("preparation %d + four qualities: %8.2f ms\n", mode, msSince(t));
    }
    const auto dir = std::filesystem::temp_directory_path() / "nalo-bench-icon";
    std::filesystem::create_directories(dir);
    const Dib icon = captureIcon(picture, IconCapture{});
    for (int bits : {1, 4, 8, 24}) {
        auto t = Clock::now();
        const int n = 200;
        for (int i = 0; i < n; ++i) MakeIcon(icon, rgb(0, 0, 0), (dir / "b.ico").string(), bits);
        std::printf("MakeIcon %2d bits: %8.3f ms per icon\n", bits, msSince(t) / n);
    }
    if (std::system("command -v convert >/dev/null 2>&1") == 0) {
        const std::string bmp = (dir / "big.bmp").string();
        savePictureBmp(picture, bmp);
        auto t = Clock::now();
        const std::string loadOnly = "convert '" + bmp + "' null: >/dev/null 2>&1";
        if (std::system(loadOnly.c_str()) == 0) std::printf("ImageMagick load only:        %8.2f ms\n", msSince(t));
        t = Clock::now();
        auto ours = captureIcon(loadPicture(bmp), IconCapture{});
        MakeIcon(ours, rgb(0, 0, 0), (dir / "n.ico").string(), 24);
        std::printf("ours: load + shrink + write:  %8.2f ms\n", msSince(t));
        t = Clock::now();
        const std::string cmd = "convert '" + bmp + "' -resize 32x32 '" + (dir / "m.ico").string() + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) std::printf("ImageMagick -resize 32x32 ico: %8.2f ms\n", msSince(t));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
