#include "tools/pic2ico/IconCapture.h"

#include "codecs/IcoWriter.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

namespace {

// The alpha as red and its complement as green, so that a backdrop the capture adds
// (white, black or grey: red equal to green) reads as opaque.
Dib alphaKeyPicture(const DecodedPicture& source) {
    const int w = source.picture.width(), h = source.picture.height();
    Dib key(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = key.row(y);
        const uint8_t* a = source.alpha.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x, p += 3) {
            p[0] = 0;
            p[1] = static_cast<uint8_t>(255 - a[x]);
            p[2] = a[x];
        }
    }
    return key;
}

}  // namespace

Dib captureIcon(const Dib& picture, const IconCapture& capture) {
    if (capture.kind == IconCapture::Region) {
        if (capture.region.side <= 0)
            throw RuntimeError(err::InvalidProcedureCall, "IconCapture", "The square's side must be at least 1");
        Dib icon(IconSide, IconSide, 24);
        stretchToIcon(cutSquare(picture, capture.region), icon);
        return icon;
    }
    ShrinkResults results = capture.prepare == PrepareAsIs
                                ? shrinkAllQualities(picture)
                                : shrinkAllQualities(prepareSquare(picture, capture.prepare));
    int q = capture.quality < 0 ? results.chosen : capture.quality;
    if (q >= ShrinkQualities || !results.made[static_cast<size_t>(q)])
        throw RuntimeError(err::InvalidProcedureCall, "IconCapture",
                           "Shrink quality " + std::to_string(q) + " cannot be made for this picture (best: " +
                               std::to_string(results.chosen) + ")");
    return std::move(results.pictures[static_cast<size_t>(q)]);
}

CapturedIcon captureIconWithAlpha(DecodedPicture source, const IconCapture& capture) {
    CapturedIcon out;
    if (!source.alpha.empty()) {
        const Dib key = captureIcon(alphaKeyPicture(source), capture);
        out.clear.resize(size_t(IconSide) * IconSide);
        for (int y = 0; y < IconSide; ++y)
            for (int x = 0; x < IconSide; ++x) {
                const ColourValue p = key.pixel(x, y);
                out.clear[size_t(y) * IconSide + size_t(x)] = redOf(p) < 128 && greenOf(p) >= 128;
            }
    }
    out.picture = captureIcon(composeOverWhite(std::move(source)), capture);
    return out;
}

}  // namespace nalo
