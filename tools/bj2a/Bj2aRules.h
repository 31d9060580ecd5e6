#pragma once
// Rules of the images-to-AVI tool shared by its window and the command line.
#include <string>

namespace nalo::bj2a {

inline constexpr const char* Section = "BJ2A";
inline constexpr const char* KeySourceFolder = "BMPJPGﾌｫﾙﾀﾞ";
inline constexpr const char* KeyAviFolder = "AVIﾌｫﾙﾀﾞ";
inline constexpr const char* KeyFps = "FS";
inline constexpr int DefaultFps = 20;
inline constexpr const char* TempFrameName = "AVI_Temp.bmp";

// Frames per second limited to 1..30.
int LimitFps(int fps);

struct PreviewSize {
    int width, height;
    friend bool operator==(const PreviewSize&, const PreviewSize&) = default;
};
// The preview whose longer side is 100 pixels: W > H gives 100 x (H x 100 / W),
// otherwise (W x 100 / H) x 100, rounded halves to even and at least 1.
PreviewSize PreviewFor(int width, int height);

// The temporary frame file in `folder` ("/" inserted unless it ends with one).
std::string TempFramePath(const std::string& folder);

}  // namespace nalo::bj2a
