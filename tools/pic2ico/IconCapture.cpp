#include "tools/pic2ico/IconCapture.h"

#include "codecs/IcoWriter.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

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

}  // namespace nalo
