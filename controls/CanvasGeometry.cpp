#include "controls/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

#include "shell/Rounding.h"

namespace nalo {

void CanvasGeometry::layoutAxis(Axis& a, int inner, int pic, int zoom, int& drawnPos, int& drawnSize) {
    const int64_t zoomed = static_cast<int64_t>(zoom) * pic;
    if (inner >= zoomed) {
        a.range = 0;
        drawnSize = static_cast<int>(zoomed);
    } else {
        a.range = zoomed - inner;
        drawnSize = inner;
    }
    drawnPos = (inner - drawnSize) / 2;
}

void CanvasGeometry::keepPosition(Axis& a) {
    const auto prevRange = static_cast<int64_t>(roundHalfEven(a.prevRange));
    if (prevRange != 0)
        a.scroll = static_cast<int64_t>(roundHalfEven(static_cast<double>(a.prevScroll) * a.range)) / prevRange;
    else
        a.scroll = a.range / 2;
    a.scroll = std::clamp<int64_t>(a.scroll, 0, a.range);
    a.prevScroll = static_cast<float>(a.scroll);
    a.prevRange = static_cast<float>(a.range);
}

void CanvasGeometry::layout(int innerW, int innerH, int picW, int picH, const PixelRect& fitted) {
    innerW = std::max(innerW, 0);
    innerH = std::max(innerH, 0);
    if (picW <= 0 || picH <= 0) picW = picH = 0;
    picW_ = picW;
    picH_ = picH;
    if (picW == 0) {
        drawn_ = {};
        x_ = {};
        y_ = {};
        return;
    }
    if (fit_) {
        drawn_ = fitted;
        x_.range = y_.range = 0;
    } else {
        layoutAxis(x_, innerW, picW, zoom_, drawn_.x, drawn_.width);
        layoutAxis(y_, innerH, picH, zoom_, drawn_.y, drawn_.height);
    }
    keepPosition(x_);
    keepPosition(y_);
}

bool CanvasGeometry::dragAxis(Axis& a, double d) {
    const int64_t s = std::clamp<int64_t>(static_cast<int64_t>(roundHalfEven(d + static_cast<double>(a.scroll))), 0,
                                          a.range);
    a.scroll = s;
    const bool changed = static_cast<float>(s) != a.prevScroll;
    a.prevScroll = static_cast<float>(s);
    return changed;
}

bool CanvasGeometry::dragBy(double dx, double dy) {
    const bool cx = dragAxis(x_, dx);
    const bool cy = dragAxis(y_, dy);
    return cx || cy;
}

int CanvasGeometry::toPicture(double v, int drawnPos, int drawnSize, int pic, int64_t scroll) const {
    if (pic == 0) return 0;
    double p;
    if (fit_) {
        if (drawnSize == 0) return 0;
        p = std::floor((v - drawnPos) / (static_cast<double>(drawnSize) / pic));
    } else {
        p = std::floor((v + static_cast<double>(scroll) - drawnPos) / zoom_);
    }
    return static_cast<int>(std::clamp(p, -2147483648.0, 2147483647.0));
}

int CanvasGeometry::pictureX(double x) const { return toPicture(x, drawn_.x, drawn_.width, picW_, x_.scroll); }
int CanvasGeometry::pictureY(double y) const { return toPicture(y, drawn_.y, drawn_.height, picH_, y_.scroll); }

void CanvasGeometry::paintAxis(const Axis& a, int drawnPos, int drawnSize, int pic, int& dst, int& dstSize,
                               int& src, int& srcSize) const {
    if (fit_ || a.range == 0) {
        dst = drawnPos;
        dstSize = drawnSize;
        src = 0;
        srcSize = pic;
    } else {
        // Two extra source pixels cover the partly visible ones at the edges (within the picture).
        dst = drawnPos - static_cast<int>(a.scroll % zoom_);
        src = static_cast<int>(a.scroll / zoom_);
        srcSize = std::min(drawnSize / zoom_ + 2, pic - src);
        dstSize = zoom_ * srcSize;
    }
}

CanvasPaint CanvasGeometry::paint() const {
    CanvasPaint p;
    paintAxis(x_, drawn_.x, drawn_.width, picW_, p.dst.x, p.dst.width, p.src.x, p.src.width);
    paintAxis(y_, drawn_.y, drawn_.height, picH_, p.dst.y, p.dst.height, p.src.y, p.src.height);
    return p;
}

}  // namespace nalo
