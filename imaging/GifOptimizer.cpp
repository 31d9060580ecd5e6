#include "imaging/GifOptimizer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "codecs/GifAnimation.h"
#include "imaging/IndexRows.h"
#include "imaging/ProgressReporter.h"
#include "shell/RuntimeError.h"

namespace nalo::mGIFExt {

namespace {

void setMax(ProgressReporter* p, int32_t v) {
    if (p) p->Max(v);
}
void setValue(ProgressReporter* p, int32_t v) {
    if (p) p->value(v);
}

// Change rectangle, right and bottom exclusive; all zero is empty.
struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};

// Bounding box of the pixels where the rows of a picture differ from `other`'s rows
// (rowOf(y) and otherOf(y) give the rows, w bytes each).
template <class RowOf, class OtherOf>
Rect boundingBox(int32_t w, int32_t h, RowOf rowOf, OtherOf otherOf) {
    Rect r;
    int32_t top = -1;
    for (int32_t y = 0; y < h && top < 0; ++y)
        if (firstMismatch(rowOf(y), otherOf(y), w) >= 0) top = y;
    if (top < 0) return r;
    int32_t bottom = top;
    for (int32_t y = h - 1; y > top; --y)
        if (firstMismatch(rowOf(y), otherOf(y), w) >= 0) {
            bottom = y;
            break;
        }
    ptrdiff_t left = w, right = -1;
    for (int32_t y = top; y <= bottom; ++y) {
        const uint8_t* a = rowOf(y);
        const uint8_t* b = otherOf(y);
        const ptrdiff_t first = firstMismatch(a, b, left);
        if (first >= 0) left = first;
        const ptrdiff_t last = lastMismatch(a + right + 1, b + right + 1, w - right - 1);
        if (last >= 0) right += last + 1;
    }
    r.left = static_cast<int32_t>(left);
    r.top = top;
    r.right = static_cast<int32_t>(right) + 1;
    r.bottom = bottom + 1;
    return r;
}

}  // namespace

void SetTransparency(cGIF& gif, bool useTransparency, uint8_t transparentIndex, ProgressReporter* progress) {
    const int16_t count = gif.FramesCount();
    setMax(progress, count);
    for (int16_t i = 1; i <= count; ++i) {
        setValue(progress, i);
        gif.FrameUseTransparentColor(i, useTransparency);
        gif.FrameTransparentColorIndex(i, transparentIndex);
        gif.FrameMask(i, transparentIndex);
    }
    setValue(progress, 0);
}

void OptimizeGlobalPalette(cGIF& gif, ProgressReporter* progress) {
    if (!gif.GlobalPaletteExists()) return;
    const int16_t count = gif.FramesCount();
    setMax(progress, 2 * count);
    const int entries = std::clamp<int>(gif.GlobalPaletteEntries(), 0, 256);
    std::array<uint8_t, 1024> old;
    std::memcpy(old.data(), gif.lpGlobalPalette(), old.size());

    std::array<bool, 256> used{};
    // Once every entry is seen nothing can be dropped: the scan stops there.
    for (int16_t i = 1; i <= count; ++i) {
        if (gif.LocalPaletteUsed(i)) continue;
        setValue(progress, i);
        const GcDIB& img = std::as_const(gif).FrameDIBXOR(i);
        for (int32_t y = 0; y < img.Height(); ++y) markUsedIndexes(img.row(y), static_cast<size_t>(img.Width()), used);
        if (std::count(used.begin(), used.begin() + entries, true) == entries) break;
    }
    std::array<uint8_t, 256> newToOld{}, oldToNew{};
    int u = 0;
    for (int k = 0; k < entries; ++k)
        if (used[k]) {
            newToOld[u] = static_cast<uint8_t>(k);
            oldToNew[k] = static_cast<uint8_t>(u);
            ++u;
        }
    if (u < entries) {
        // When the used entries are the first u, every index keeps its number.
        const bool usedArePrefix = std::all_of(used.begin(), used.begin() + u, [](bool b) { return b; });
        const int newEntries = u >= 2 ? u : u == 1 ? 2 : 1;
        std::array<uint8_t, 1024> pal{};
        for (int k = 0; k < newEntries; ++k) std::memcpy(&pal[k * 4u], &old[newToOld[k] * 4u], 4);
        std::memcpy(gif.lpGlobalPalette(), pal.data(), pal.size());
        gif.GlobalPaletteEntries(static_cast<int16_t>(newEntries));
        for (int16_t i = 1; i <= count; ++i) {
            if (gif.LocalPaletteUsed(i)) continue;
            setValue(progress, count + i);
            GcDIB& img = gif.FrameDIBXOR(i);
            img.SetPalette(pal.data(), pal.size());
            std::memcpy(gif.lpLocalPalette(i), pal.data(), pal.size());
            gif.LocalPaletteEntries(i, static_cast<int16_t>(newEntries));
            if (!usedArePrefix)
                for (int32_t y = 0; y < img.Height(); ++y)
                    remapIndexes(img.row(y), static_cast<size_t>(img.Width()), oldToNew);
            const uint8_t t = oldToNew[static_cast<uint8_t>(gif.FrameTransparentColorIndex(i))];
            gif.FrameTransparentColorIndex(i, t);
            gif.FrameMask(i, t);
        }
    }
    setValue(progress, 0);
}

bool OptimizeFrames(cGIF& gif, ProgressReporter* progress) {
    const int16_t count = gif.FramesCount();
    if (count < 1) return false;
    const int32_t sw = gif.ScreenWidth(), sh = gif.ScreenHeight();
    for (int16_t i = 1; i <= count; ++i) {
        const GcDIB& img = std::as_const(gif).FrameDIBXOR(i);
        if (img.Width() != sw || img.Height() != sh || gif.FrameLeft(i) != 0 || gif.FrameTop(i) != 0) return false;
    }
    const bool T = gif.FrameUseTransparentColor(1);
    const uint8_t t = static_cast<uint8_t>(gif.FrameTransparentColorIndex(1));
    const int16_t s = T ? 1 : 2;
    setMax(progress, count);

    std::vector<Rect> rects(static_cast<size_t>(count) + 1);
    const std::vector<uint8_t> transparentRow(static_cast<size_t>(sw), t);
    for (int16_t i = s; i <= count; ++i) {
        setValue(progress, i);
        const GcDIB& img = std::as_const(gif).FrameDIBXOR(i);
        const auto rowOf = [&](int32_t y) { return img.row(y); };
        if (T) {
            rects[i] = boundingBox(sw, sh, rowOf, [&](int32_t) { return transparentRow.data(); });
        } else {
            const GcDIB& prev = std::as_const(gif).FrameDIBXOR(static_cast<int16_t>(i - 1));
            rects[i] = boundingBox(sw, sh, rowOf, [&](int32_t y) { return prev.row(y); });
        }
    }
    // A first frame with nothing visible keeps one transparent pixel at (0, 0), so its
    // delay stays in the animation.
    if (T && rects[1].empty()) rects[1] = Rect{0, 0, 1, 1};

    // Frames without change give their delay to the frame before; a sum beyond 16 bits
    // keeps the frame.
    for (int16_t i = s; i <= gif.FramesCount();) {
        if (i > 1 && rects[i].empty()) {
            const int32_t sum = int32_t(gif.FrameDelay(static_cast<int16_t>(i - 1))) + gif.FrameDelay(i);
            if (sum <= INT16_MAX && sum >= INT16_MIN) {
                gif.FrameDelay(static_cast<int16_t>(i - 1), static_cast<int16_t>(sum));
                gif.FrameRemove(i);
                rects.erase(rects.begin() + i);
                continue;
            }
            rects[i] = Rect{0, 0, 1, 1};  // kept: one unchanged pixel
        }
        ++i;
    }
    if (!T) gif.FrameDisposalMethod(1, 1);

    std::vector<uint8_t> global(gif.lpGlobalPalette(), gif.lpGlobalPalette() + 1024);
    for (int16_t i = s; i <= gif.FramesCount(); ++i) {
        const Rect& r = rects[i];
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        GcDIB& img = gif.FrameDIBXOR(i);
        img.Crop(r.left, r.top, w, h);
        img.SetPalette(global);
        GcDIB& mask = gif.FrameDIBAND(i);
        if (!mask.Create(w, h, 1)) throw RuntimeError(err::OutOfMemory, "mGIFExt", "Out of memory");
        static constexpr uint8_t blackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
        mask.SetPalette(blackWhite, sizeof blackWhite);
        gif.FrameMask(i, static_cast<uint8_t>(gif.FrameTransparentColorIndex(i)));
        gif.FrameLeft(i, static_cast<int16_t>(r.left));
        gif.FrameTop(i, static_cast<int16_t>(r.top));
        gif.FrameDisposalMethod(i, gif.FrameUseTransparentColor(i) ? 3 : 1);
    }
    setValue(progress, 0);
    return true;
}

}  // namespace nalo::mGIFExt
