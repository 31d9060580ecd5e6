#include "tools/avi2gif/AviImport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codecs/GifAnimation.h"
#include "imaging/ClipPalette.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"
#include "imaging/ProgressReporter.h"
#include "imaging/StillDither.h"
#include "platform/AviFile.h"
#include "shell/Rounding.h"
#include "shell/RuntimeError.h"

namespace nalo::mAVIImp {

namespace {

// The top-down 32-bit rows of a decoded frame of the expected size, or null.
const uint8_t* frameRows(const BITMAPINFOHEADER* bih, int32_t width, int32_t height) {
    const int h = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    if (bih->biBitCount != 32 || bih->biWidth != width || h != height || bih->biHeight > 0) return nullptr;
    return reinterpret_cast<const uint8_t*>(bih) + bih->biSize;
}

// The clip's palette from up to 64 of the planned frames, evenly spread.
bool buildClipPalette(const PGETFRAME& reader, int32_t start, const std::vector<PlannedFrame>& plan, int32_t width,
                      int32_t height, ClipPalette& palette) {
    const size_t step = std::max<size_t>(1, (plan.size() + 63) / 64);
    for (size_t k = 0; k < plan.size(); k += step) {
        const BITMAPINFOHEADER* frame = AVIStreamGetFrame(reader, start + plan[k].sample);
        const uint8_t* rows = frame ? frameRows(frame, width, height) : nullptr;
        if (!rows || !palette.AddFrame(rows, size_t(dibStride(width, 32)), width, height)) return false;
    }
    return palette.Build();
}

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

std::vector<PlannedFrame> PlanFrames(int32_t frames, int32_t endTimeMs, const AviImportOptions& options) {
    std::vector<PlannedFrame> plan;
    if (frames <= 0) return plan;
    const int32_t frameMs = MillisecondsPerFrame(endTimeMs, frames);
    if (roundHalfEven(frameMs / 10.0) > INT16_MAX)
        throw RuntimeError(err::Overflow, "mAVIImp",
                           "a frame lasts " + std::to_string(frameMs) + " ms, longer than a GIF delay can hold (327670 ms)");
    const double d = static_cast<double>(endTimeMs) / frames;  // exact frame time, ms
    const double from = options.start * 1000, to = options.end ? *options.end * 1000 : frames * d;
    constexpr double eps = 1e-6;
    const bool thin = options.fps > 0 && d > 0 && options.fps < 1000 / d - eps;
    if (!thin) {
        const int16_t delay = DelayFromMilliseconds(frameMs);
        for (int32_t i = 0; i < frames; ++i)
            if (i * d >= from - eps && i * d < to - eps) plan.push_back({i, delay});
        return plan;
    }
    const double stop = std::min(to, frames * d);
    const double step = 1000 / options.fps;
    for (int64_t k = 0; from + k * step < stop - eps; ++k) {
        const double t = from + k * step;
        const auto i = static_cast<int32_t>(std::min<double>(frames - 1, std::floor(t / d + eps)));
        const double c0 = roundHalfEven(k * 100 / options.fps), c1 = roundHalfEven((k + 1) * 100 / options.fps);
        plan.push_back({i, checked16(static_cast<int32_t>(c1 - c0))});
    }
    return plan;
}

void OutputSize(int32_t width, int32_t height, const AviImportOptions& options, int32_t& outWidth,
                int32_t& outHeight) {
    outWidth = width;
    outHeight = height;
    if (options.width > 0 && options.height > 0) {
        outWidth = options.width;
        outHeight = options.height;
    } else if (options.width > 0 && width > 0) {
        outWidth = options.width;
        outHeight = std::max(1, toInt32(static_cast<double>(options.width) * height / width));
    } else if (options.height > 0 && height > 0) {
        outHeight = options.height;
        outWidth = std::max(1, toInt32(static_cast<double>(options.height) * width / height));
    }
}

bool ImportAVI(const std::string& path, cGIF& gif, ProgressReporter* progress, const AviImportOptions& options) {
    AviLibraryScope library;
    PAVISTREAM stream;
    if (AVIStreamOpenFromFileA(stream, path, streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE) != AVIERR_OK || !stream)
        return false;
    AVISTREAMINFOA info;
    AVIStreamInfoA(stream, &info, sizeof info);
    int32_t width, height;
    OutputSize(info.rcFrame.right, info.rcFrame.bottom, options, width, height);
    const bool scaled = width != info.rcFrame.right || height != info.rcFrame.bottom;
    // 32-bit frames with the top row first, as the frame bitmaps hold them.
    BITMAPINFOHEADER wanted;
    wanted.biBitCount = 32;
    wanted.biWidth = width;
    wanted.biHeight = -height;
    PGETFRAME reader =
        AVIStreamGetFrameOpen(stream, &wanted, scaled ? AviScaleFilter::Lanczos : AviScaleFilter::Bicubic);
    if (!reader) {
        AVIStreamRelease(stream);
        return false;
    }
    const int32_t n = AVIStreamLength(stream);
    const int32_t start = AVIStreamStart(stream);
    const int32_t endTime = AVIStreamSampleToTime(stream, start + n);
    // The stream and reader handles release themselves when this raises.
    const std::vector<PlannedFrame> plan = PlanFrames(n, endTime, options);
    if (n > 0 && plan.empty()) {
        char lasts[32];
        std::snprintf(lasts, sizeof lasts, "%.2f", endTime / 1000.0);
        throw RuntimeError(err::InvalidProcedureCall, "mAVIImp",
                           std::string("no frame between the start and end times (the clip lasts ") + lasts + " s)");
    }
    bool ok = !plan.empty();
    const auto count = static_cast<int32_t>(plan.size());
    if (progress) progress->Max(count);

    cPal8bpp palette;
    std::unique_ptr<StillDither> adaptive;
    if (ok && options.palette == GifPalette::Adaptive) {
        ClipPalette clip;
        ok = buildClipPalette(reader, start, plan, width, height, clip);
        if (ok) {
            palette.Initialize(clip.Entries());
            std::memcpy(palette.lpPalette(), clip.Table().data(), 1024);
            adaptive = std::make_unique<StillDither>(clip.Table().data(), clip.Entries());
        }
    }
    for (int32_t i = 1; ok && i <= count; ++i) {
        const auto frameNo = checked16(i);
        gif.FrameInsert(frameNo, width, height);
        // The stream's own frame numbers start at its first sample.
        const BITMAPINFOHEADER* frame = AVIStreamGetFrame(reader, start + plan[size_t(i - 1)].sample);
        if (!frame) {
            ok = false;
            break;
        }
        if (progress) progress->value(i);
        const uint8_t* rows = adaptive ? frameRows(frame, width, height) : nullptr;
        if (adaptive ? !rows || !adaptive->Map(rows, size_t(dibStride(width, 32)), width, height,
                                               gif.FrameDIBXOR(frameNo))
                     : !mapFrame(frame, width, height, gif.FrameDIBXOR(frameNo), palette, i > 1)) {
            ok = false;
            break;
        }
        std::memcpy(gif.lpLocalPalette(frameNo), palette.lpPalette(), static_cast<size_t>(palette.Entries()) * 4);
        gif.FrameDisposalMethod(frameNo, 3);
        gif.FrameDelay(frameNo, plan[size_t(i - 1)].delay);
    }
    AVIStreamGetFrameClose(reader);
    if (ok) {
        gif.ScreenWidth(width);
        gif.ScreenHeight(height);
        gif.ScreenPixelAspectRatio(1.0f);
        gif.GlobalPaletteExists(true);
        gif.GlobalPaletteEntries(palette.Entries());
        std::memcpy(gif.lpGlobalPalette(), palette.lpPalette(), static_cast<size_t>(palette.Entries()) * 4);
        gif.AnimationLoops(options.loops);
        if (progress) progress->value(0);
    }
    AVIStreamRelease(stream);
    return ok;
}

}  // namespace nalo::mAVIImp
