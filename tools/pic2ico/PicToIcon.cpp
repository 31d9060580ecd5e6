#include "tools/pic2ico/PicToIcon.h"

#include <cmath>
#include <cstdint>

#include "codecs/AlphaIcoWriter.h"
#include "codecs/IcoWriter.h"
#include "imaging/AlphaResample.h"
#include "platform/DibBits.h"
#include "shell/Rounding.h"

namespace nalo {

namespace {

void yieldOnce(const YieldFn& f) {
    if (f) f();
}

// Colour-to-monochrome copy: 1 where the pixel equals `colour`.
Dib maskOf(const Dib& source, int x, int y, int w, int h, ColourValue colour) {
    Dib mask(w, h, 1);
    BltColours c;
    c.srcBackColour = colour;
    bitBlt(mask, 0, 0, w, h, source, x, y, Rop::SrcCopy, c);
    return mask;
}

}  // namespace

void ChangePixels(const Dib& source, int x, int y, int w, int h, ColourValue from, ColourValue to,
                  Dib& destination) {
    if (w <= 0 || h <= 0) return;
    Dib replacement(w, h, 24);
    replacement.fill(to);
    const Dib mask = maskOf(source, x, y, w, h, translateColour(from));

    // Mask as colour: 1 -> white, 0 -> black.
    Dib colourMask(w, h, 24);
    BltColours monoToColour;
    monoToColour.dstTextColour = rgb(0, 0, 0);
    monoToColour.dstBackColour = rgb(255, 255, 255);
    bitBlt(colourMask, 0, 0, w, h, mask, 0, 0, Rop::SrcCopy, monoToColour);
    bitBlt(replacement, 0, 0, w, h, colourMask, 0, 0, Rop::SrcAnd);

    // Inverted mask keeps the source where the mask was 0.
    Dib white(w, h, 24);
    white.fill(rgb(255, 255, 255));
    bitBlt(colourMask, 0, 0, w, h, white, 0, 0, Rop::SrcInvert);
    Dib kept(w, h, 24);
    bitBlt(kept, 0, 0, w, h, source, x, y);
    bitBlt(kept, 0, 0, w, h, colourMask, 0, 0, Rop::SrcAnd);

    bitBlt(kept, 0, 0, w, h, replacement, 0, 0, Rop::SrcPaint);
    bitBlt(destination, x, y, w, h, kept, 0, 0);
}

bool MakeIcon(const Dib& source, ColourValue transparent, const std::string& fileName, int bitCount,
              const YieldFn& yield) {
    if (source.empty() || !isIconBitCount(bitCount)) return false;
    transparent = translateColour(transparent);
    Dib work(IconSide, IconSide, 24);
    bitBlt(work, 0, 0, IconSide, IconSide, source, 0, 0);
    yieldOnce(yield);

    Dib xorPicture(IconSide, IconSide, 24);
    ChangePixels(work, 0, 0, IconSide, IconSide, transparent, rgb(0, 0, 0), xorPicture);
    const Dib andMask = maskOf(work, 0, 0, IconSide, IconSide, transparent);
    saveIcoFile(fileName, dibBits(xorPicture, bitCount), andMask);
    yieldOnce(yield);
    return true;
}

bool MakeIcon(const Dib& source, const std::vector<uint8_t>& clear, const std::string& fileName, int bitCount,
              const YieldFn& yield) {
    if (source.empty() || !isIconBitCount(bitCount) || clear.size() != size_t(IconSide) * IconSide) return false;
    Dib xorPicture(IconSide, IconSide, 24);
    bitBlt(xorPicture, 0, 0, IconSide, IconSide, source, 0, 0);
    yieldOnce(yield);
    Dib key(IconSide, IconSide, 24);  // white where clear
    for (int y = 0; y < IconSide; ++y)
        for (int x = 0; x < IconSide; ++x)
            if (clear[size_t(y) * IconSide + size_t(x)]) {
                xorPicture.setPixel(x, y, rgb(0, 0, 0));
                key.setPixel(x, y, rgb(255, 255, 255));
            }
    saveIcoFile(fileName, dibBits(xorPicture, bitCount), maskOf(key, 0, 0, IconSide, IconSide, rgb(255, 255, 255)));
    yieldOnce(yield);
    return true;
}

bool ShrinkPicture(const Dib& source, Dib& destination, int quality, ColourValue background,
                   const YieldFn& perRow) {
    destination.fill(background);
    const int sw = source.width(), sh = source.height();
    const int dw = destination.width(), dh = destination.height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || quality < 0 || quality > 3) return false;

    const float ratioW = static_cast<float>(dw) / static_cast<float>(sw);
    const float ratioH = static_cast<float>(dh) / static_cast<float>(sh);
    const float scale = ratioH > ratioW ? ratioW : ratioH;
    const int nw = static_cast<int>(roundHalfEven(static_cast<double>(sw * scale)));
    const int nh = static_cast<int>(roundHalfEven(static_cast<double>(sh * scale)));

    if (quality == 0) {
        const int x = static_cast<int>(roundHalfEven((dw - nw) / 2.0));
        const int y = static_cast<int>(roundHalfEven((dh - nh) / 2.0));
        stretchBlt(destination, x, y, nw, nh, source, 0, 0, sw, sh);
        return true;
    }

    const float L = 1.0f / scale;
    const float a = L / 2.0f;
    const auto step = static_cast<int64_t>(roundHalfEven(static_cast<double>(L / static_cast<float>(quality))));
    if (step <= 0) return false;
    const int mx = static_cast<int>(roundHalfEven((dw - nw) / 2.0));
    const int my = static_cast<int>(roundHalfEven((dh - nh) / 2.0));
    const auto lo = static_cast<int64_t>(roundHalfEven(static_cast<double>(-a)));
    const auto hi = static_cast<int64_t>(roundHalfEven(static_cast<double>(a)));
    if (hi < lo) return false;
    const int64_t span = hi - lo + 1;   // offsets per axis
    const int64_t pairs = span * span;  // visited (k, v) pairs per destination pixel

    for (int i = 0; i < nh; ++i) {
        yieldOnce(perRow);
        const auto y0 = static_cast<int64_t>(roundHalfEven(static_cast<double>(static_cast<float>(i) * L - a)));
        for (int j = 0; j < nw; ++j) {
            const auto x0 = static_cast<int64_t>(roundHalfEven(static_cast<double>(static_cast<float>(j) * L - a)));
            int64_t r = 0, g = 0, b = 0, n = 0;
            // Pair number c visits k = lo + c / span (outer), v = lo + c % span (inner);
            // samples are the pairs whose number is a multiple of the step.
            for (int64_t c = 0; c < pairs; c += step) {
                const int64_t sx = x0 + lo + c / span, sy = y0 + lo + c % span;
                if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
                const ColourValue p = source.pixel(static_cast<int>(sx), static_cast<int>(sy));
                r += redOf(p);
                g += greenOf(p);
                b += blueOf(p);
                ++n;
            }
            if (n == 0) continue;
            auto avg = [n](int64_t s) { return static_cast<uint8_t>(roundHalfEven(static_cast<double>(s) / n)); };
            destination.setPixel(mx + j, my + i, rgb(avg(r), avg(g), avg(b)));
        }
    }
    return true;
}

void MakeMultiSizeIcon(const DecodedPicture& source, std::optional<ColourValue> transparent,
                       const std::string& fileName, const std::vector<int>& sides) {
    std::vector<Dib> images;
    for (int side : sides) images.push_back(fitIntoSquareWithAlpha(source.picture, source.alpha, side, transparent));
    saveAlphaIcoFile(fileName, images);
}

}  // namespace nalo
