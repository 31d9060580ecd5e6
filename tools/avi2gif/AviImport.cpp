#include "tools/avi2gif/AviImport.h"

#include <cstring>

#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"
#include "imaging/ProgressReporter.h"
#include "platform/AviFile.h"
#include "shell/Rounding.h"
#include "shell/RuntimeError.h"

namespace nalo::mAVIImp {

namespace {

// Maps a decoded frame (packed 32-bit DIB, as asked for) to the 8-bpp cube straight
// from its rows; a frame of another format or size fails.
bool mapFrame(const BITMAPINFOHEADER* bih, int32_t width, int32_t height, GcDIB& dst, cPal8bpp& palette,
              bool keepPalette) {
    const int h = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    if (bih->biBitCount != 32 || bih->biWidth != width || h != height) return false;
    const auto* bits = reinterpret_cast<const uint8_t*>(bih) + bih->biSize;
    return mDither8bpp::DitherRowsTo8bpp(bits, static_cast<size_t>(dibStride(width, 32)), bih->biHeight < 0, width,
                                         h, dst, palette, keepPalette);
}

}  // namespace

int32_t MillisecondsPerFrame(int32_t endTimeMs, int32_t frames) {
    return frames > 0 ? toInt32(static_cast<double>(endTimeMs) / frames) : 0;
}

int16_t DelayFromMilliseconds(int32_t ms) { return toInt16(ms / 10.0); }

bool ImportAVI(const std::string& path, cGIF& gif, ProgressReporter* progress) {
    AviLibraryScope library;
    PAVISTREAM stream;
    if (AVIStreamOpenFromFileA(stream, path, streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE) != AVIERR_OK || !stream)
        return false;
    AVISTREAMINFOA info;
    AVIStreamInfoA(stream, &info, sizeof info);
    const int32_t width = info.rcFrame.right, height = info.rcFrame.bottom;
    // 32-bit frames with the top row first, as the frame bitmaps hold them.
    BITMAPINFOHEADER wanted;
    wanted.biBitCount = 32;
    wanted.biHeight = -height;
    PGETFRAME reader = AVIStreamGetFrameOpen(stream, &wanted);
    if (!reader) {
        AVIStreamRelease(stream);
        return false;
    }
    const int32_t n = AVIStreamLength(stream);
    const int32_t start = AVIStreamStart(stream);
    const int32_t endTime = AVIStreamSampleToTime(stream, start + n);
    bool ok = n > 0;
    const int32_t frameMs = MillisecondsPerFrame(endTime, n);
    if (roundHalfEven(frameMs / 10.0) > INT16_MAX)
        throw RuntimeError(err::Overflow, "mAVIImp",
                           "a frame lasts " + std::to_string(frameMs) + " ms, longer than a GIF delay can hold (327670 ms)");
    const int16_t delay = DelayFromMilliseconds(frameMs);
    if (progress) progress->Max(n);

    cPal8bpp palette;
    for (int32_t i = 1; ok && i <= n; ++i) {
        const auto frameNo = checked16(i);
        gif.FrameInsert(frameNo, width, height);
        // The stream's own frame numbers start at its first sample.
        const BITMAPINFOHEADER* frame = AVIStreamGetFrame(reader, start + i - 1);
        if (!frame) {
            ok = false;
            break;
        }
        if (progress) progress->value(i);
        if (!mapFrame(frame, width, height, gif.FrameDIBXOR(frameNo), palette, i > 1)) {
            ok = false;
            break;
        }
        std::memcpy(gif.lpLocalPalette(frameNo), palette.lpPalette(), static_cast<size_t>(palette.Entries()) * 4);
        gif.FrameDisposalMethod(frameNo, 3);
        gif.FrameDelay(frameNo, delay);
    }
    AVIStreamGetFrameClose(reader);
    if (ok) {
        gif.ScreenWidth(width);
        gif.ScreenHeight(height);
        gif.ScreenPixelAspectRatio(1.0f);
        gif.GlobalPaletteExists(true);
        gif.GlobalPaletteEntries(palette.Entries());
        std::memcpy(gif.lpGlobalPalette(), palette.lpPalette(), static_cast<size_t>(palette.Entries()) * 4);
        if (progress) progress->value(0);
    }
    AVIStreamRelease(stream);
    return ok;
}

}  // namespace nalo::mAVIImp
