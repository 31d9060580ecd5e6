#include "codecs/GifFrameSplitter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/GiflibMemory.h"
#include "platform/PictureBudget.h"
#include "platform/PictureIo.h"
#include "shell/Rounding.h"

namespace nalo {

namespace {

constexpr uint8_t StreamEnd[4] = {0x00, 0x21, 0xF9, 0x3B};

// The part of a frame's rectangle on the screen.
struct Clip {
    int x0, y0, x1, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};
Clip clipOf(const GifFrameInfo& f, int sw, int sh) {
    return {std::min<int>(f.left, sw), std::min<int>(f.top, sh), std::min<int>(f.left + f.width, sw),
            std::min<int>(f.top + f.height, sh)};
}

// Picture row of the r-th stored row of an interlaced image of h rows.
int interlacedRow(int r, int h) {
    static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = h > start[pass] ? (h - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (r < rows) return start[pass] + r * step[pass];
        r -= rows;
    }
    return h;
}

}  // namespace

int32_t FramePause(uint16_t delay, int32_t userDelay) {
    return delay > 99 ? userDelay + 100 : int32_t(delay) * 10 + userDelay;
}

std::string FrameFileName(const std::string& base, int number, int16_t kind) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "_%03d", number);
    return base + digits + (kind == 1 ? ".gif" : ".bmp");
}

void clsGif24bit::UserDelay(int64_t milliseconds) { userDelay_ = static_cast<int32_t>(std::clamp<int64_t>(milliseconds, 1, 1000)); }

void clsGif24bit::UserDelay(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) v = 10;
    UserDelay(static_cast<int64_t>(roundHalfEven(std::clamp(v, -1e9, 1e9))));
}

void clsGif24bit::CleanUp() {
    frames_.clear();
    file_.clear();
    file_.shrink_to_fit();
    canvas_ = Dib();
    screen_ = {};
}

int16_t clsGif24bit::fGifBreakOutFrames() {
    CleanUp();
    if (shared_.GifPath.empty()) return 0;
    try {
        file_ = readFileBytes(shared_.GifPath, "fGifBreakOutFrames");
        const bool accepted = WalkGifBlocks(file_, screen_, frames_) && !frames_.empty() && screen_.width > 0 &&
                              screen_.height > 0 &&
                              // the canvas of the Windows layout: the screen width rounded up to 32
                              FitsPictureBudget((int64_t(screen_.width) + 31) / 32 * 32, screen_.height) &&
                              // a screen no frame data could fill: a few bytes claiming gigabytes
                              int64_t(screen_.width) * screen_.height <= int64_t(file_.size()) * GifMaxPixelsPerByte;
        if (!accepted) {
            shared_.NotGifFlag = true;
            CleanUp();
            return 0;
        }
        fCreateBitMap();
    } catch (const RuntimeError&) {
        shared_.NotGifFlag = true;
        CleanUp();
    }
    return 0;
}

void clsGif24bit::fCreateBitMap() {
    canvas_ = Dib(screen_.width, screen_.height, 24, false);
    canvas_.fill(backColour_);
}

GifSplitRun::GifSplitRun(const std::vector<std::string>& gifs) {
    for (const std::string& g : gifs) gifs_.add(g, g);
}

void GifSplitRun::check(const std::string& frameFile) const {
    if (const std::string* gif = gifs_.find(frameFile))
        throw RuntimeError(err::PermissionDenied, "clsGif24bit", sourceAsOutputReason(frameFile, *gif));
    if (const std::string* gif = written_.find(frameFile))
        throw RuntimeError(err::PermissionDenied, "clsGif24bit",
                           frameFile + ": " + sameOutputReason(*gif));
}

void clsGif24bit::RenderGif(GifRenderHost& host, GifSplitRun* run) {
    if (frames_.empty() || canvas_.empty()) return;
    GifSplitRun alone({shared_.GifPath});
    if (!run) run = &alone;
    const bool split = shared_.SplitMode == 1;
    int count = 0;
    for (const GifFrameInfo& frame : frames_) {
        if (stopRender_) return;
        // A frame cut short is not written as if it were whole.
        if (split && frame.cutShort) break;
        host.Pause(FramePause(frame.delay, userDelay_));
        if (frame.disposal == 3) saveRect(frame);
        drawFrame(frame);
        host.FrameShown(canvas_);
        if (split && !saveFrameFile(FrameFileName(shared_.FrameFileBase, ++count, shared_.FrameFileKind), host, *run))
            return;
        // Disposal after the frame has been shown: 2 back to the background, 3 as before.
        if (frame.disposal == 2) {
            const Clip c = clipOf(frame, canvas_.width(), canvas_.height());
            if (!c.empty()) canvas_.fillRect(c.x0, c.y0, c.x1 - c.x0, c.y1 - c.y0, backColour_);
        } else if (frame.disposal == 3) {
            restoreRect(frame);
        }
    }
    if (split && screen_.cutShort) host.FileEndsEarly(count);
}

bool clsGif24bit::saveFrameFile(const std::string& name, GifRenderHost& host, GifSplitRun& run) {
    try {
        run.check(name);
        if (shared_.KeepExisting && std::filesystem::exists(name)) {
            host.FrameFileSkipped(name);
            return true;
        }
        if (shared_.FrameFileKind == 1) {
            // The transparent colour is the top-left pixel as the file holds it.
            const ColourValue key = colourOf(CubePalette125()[CubeIndexOf(canvas_.pixel(0, 0))]);
            writer_.SaveGIF(canvas_, name, shared_.FrameTransparency, key);
        } else {
            savePictureBmp(canvas_, name);
        }
    } catch (const RuntimeError& e) {
        host.FrameFileFailed(e);
        return false;
    }
    run.wrote(name, shared_.GifPath);
    host.FrameFileWritten(name);
    return true;
}

void clsGif24bit::saveRect(const GifFrameInfo& frame) {
    const Clip c = clipOf(frame, canvas_.width(), canvas_.height());
    if (c.empty()) return;
    const size_t rowBytes = size_t(c.x1 - c.x0) * 3;
    previous_.resize(rowBytes * size_t(c.y1 - c.y0));
    for (int y = c.y0; y < c.y1; ++y)
        std::memcpy(&previous_[size_t(y - c.y0) * rowBytes], canvas_.row(y) + size_t(c.x0) * 3, rowBytes);
}

void clsGif24bit::restoreRect(const GifFrameInfo& frame) {
    const Clip c = clipOf(frame, canvas_.width(), canvas_.height());
    if (c.empty()) return;
    const size_t rowBytes = size_t(c.x1 - c.x0) * 3;
    for (int y = c.y0; y < c.y1; ++y)
        std::memcpy(canvas_.row(y) + size_t(c.x0) * 3, &previous_[size_t(y - c.y0) * rowBytes], rowBytes);
}

// Decodes the frame's single-frame stream and draws it; transparent pixels are those
// of the frame's transparent index. A stream that fails part way leaves the rows
// drawn so far; playback goes on.
void clsGif24bit::drawFrame(const GifFrameInfo& frame) {
    const int w = frame.width, h = frame.height;
    if (w == 0 || h == 0) return;
    if (int64_t(w) * h > int64_t(frame.end - frame.start + 1) * GifMaxPixelsPerByte) return;
    stream_.assign(file_.begin(), file_.begin() + static_cast<ptrdiff_t>(screen_.frameZeroStart));
    stream_.insert(stream_.end(), file_.begin() + static_cast<ptrdiff_t>(frame.start),
                   file_.begin() + static_cast<ptrdiff_t>(frame.end));
    stream_.insert(stream_.end(), std::begin(StreamEnd), std::end(StreamEnd));

    GiflibMemoryInput input{stream_};
    int error = 0;
    GiflibHandle h_;
    h_.gif = DGifOpen(&input, GiflibMemoryInput::read, &error);
    GifFileType* gif = h_.gif;
    if (!gif) return;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE) return;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return;
            while (ext)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return;
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) return;

    uint8_t table[256 * 3] = {};  // B, G, R; entries past the map stay black
    if (const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap)
        for (int i = 0; i < map->ColorCount && i < 256; ++i) {
            table[i * 3] = map->Colors[i].Blue;
            table[i * 3 + 1] = map->Colors[i].Green;
            table[i * 3 + 2] = map->Colors[i].Red;
        }
    const Clip c = clipOf(frame, canvas_.width(), canvas_.height());
    const int key = frame.transparent ? frame.transparentIndex : -1;
    line_.resize(size_t(w));
    for (int r = 0; r < h; ++r) {
        if (DGifGetLine(gif, line_.data(), w) == GIF_ERROR) return;
        const int y = frame.top + (frame.interlaced ? interlacedRow(r, h) : r);
        if (y < c.y0 || y >= c.y1) continue;
        const uint8_t* src = line_.data();
        uint8_t* dst = canvas_.row(y) + size_t(c.x0) * 3;
        const int n = c.x1 - c.x0;
        if (key < 0) {
            for (int x = 0; x < n; ++x, dst += 3) {
                const uint8_t* t = &table[src[x] * 3];
                dst[0] = t[0], dst[1] = t[1], dst[2] = t[2];
            }
        } else {
            for (int x = 0; x < n; ++x, dst += 3) {
                if (src[x] == key) continue;
                const uint8_t* t = &table[src[x] * 3];
                dst[0] = t[0], dst[1] = t[1], dst[2] = t[2];
            }
        }
        // Rows below the screen only remain: the rest of the stream is not needed.
        if (!frame.interlaced && y + 1 >= c.y1) return;
    }
}

}  // namespace nalo
