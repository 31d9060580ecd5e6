#include "tools/pic2ico/ThumbShrink.h"

#include <algorithm>

#include "codecs/IcoWriter.h"
#include "shell/Rounding.h"

namespace nalo {

ColourValue shrinkBackground() { return translateColour(0x80000005u); }

Dib prepareSquare(const Dib& picture, int mode) {
    if (mode != PrepareSquareBands && mode != PrepareSquareStretch) return picture;
    const int w = picture.width(), h = picture.height();
    const int s = std::max(w, h);
    Dib square(s, s, 24);  // zero-filled: black
    if (mode == PrepareSquareBands) {
        int x = 0, y = 0;
        if (h < w) y = static_cast<int>(roundHalfEven((s - h) / 2.0));
        else x = static_cast<int>(roundHalfEven((s - w) / 2.0));
        bitBlt(square, x, y, w, h, picture, 0, 0);
    } else {
        stretchBlt(square, 0, 0, s, s, picture, 0, 0, w, h);
    }
    return square;
}

ShrinkResults shrinkAllQualities(const Dib& prepared, const YieldFn& perRow) {
    ShrinkResults out;
    bool released = false;
    for (int q = 0; q < ShrinkQualities; ++q) {
        Dib& box = out.pictures[static_cast<size_t>(q)];
        box = Dib(IconSide, IconSide, 24);
        if (released) {
            box.fill(shrinkBackground());
            continue;
        }
        if (ShrinkPicture(prepared, box, q, shrinkBackground(), perRow)) {
            out.made[static_cast<size_t>(q)] = true;
            out.chosen = q;
        } else {
            released = true;
        }
    }
    return out;
}

}  // namespace nalo
