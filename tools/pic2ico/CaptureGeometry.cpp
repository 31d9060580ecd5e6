#include "tools/pic2ico/CaptureGeometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "codecs/IcoWriter.h"
#include "shell/Rounding.h"

namespace nalo {

namespace {

int roundToInt(double v) { return static_cast<int>(roundHalfEven(v)); }

std::string shortest(float v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

constexpr int kDotOn = 3, kDotOff = 3;

}  // namespace

CaptureSquare captureSquare(float sx, float sy, float ex, float ey, int fitSide) {
    const int w = roundToInt(std::fabs(sx - ex));
    const int h = roundToInt(std::fabs(sy - ey));
    return {roundToInt(std::min(sx, ex)), roundToInt(std::min(sy, ey)), fitSide == FitToHeight ? h : w};
}

std::string priorityWord(int fitSide) { return fitSide == FitToHeight ? "高さ優先" : "幅優先"; }

std::string dragLabel(float sx, float sy, float ex, float ey, int fitSide) {
    return "幅 (" + shortest(std::fabs(sx - ex)) + ")  高さ (" + shortest(std::fabs(sy - ey)) + ") " +
           priorityWord(fitSide);
}

void drawPictureCentred(Dib& display, const Dib& picture) {
    display.fill(rgb(255, 255, 255));
    const int x = static_cast<int>(intDiv(int64_t(display.width()) - picture.width(), 2));
    const int y = static_cast<int>(intDiv(int64_t(display.height()) - picture.height(), 2));
    bitBlt(display, x, y, picture.width(), picture.height(), picture, 0, 0);
}

Dib cutSquare(const Dib& display, const CaptureSquare& square) {
    if (square.side <= 0) return {};
    Dib cut(square.side, square.side, 24);
    cut.fill(rgb(255, 255, 255));
    bitBlt(cut, 0, 0, square.side + 1, square.side + 1, display, square.left, square.top);
    return cut;
}

void stretchToIcon(const Dib& cut, Dib& icon) {
    stretchBlt(icon, 0, 0, IconSide, IconSide, cut, 0, 0, cut.width(), cut.height());
}

void invertDottedFrame(Dib& display, int x0, int y0, int x1, int y1) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    // Walk the outline once, clockwise from the top-left corner, each pixel once.
    std::vector<std::pair<int, int>> path;
    for (int x = x0; x <= x1; ++x) path.emplace_back(x, y0);
    for (int y = y0 + 1; y <= y1; ++y) path.emplace_back(x1, y);
    if (y1 > y0)
        for (int x = x1 - 1; x >= x0; --x) path.emplace_back(x, y1);
    if (x1 > x0)
        for (int y = y1 - 1; y > y0; --y) path.emplace_back(x0, y);
    for (size_t i = 0; i < path.size(); ++i) {
        if (static_cast<int>(i % (kDotOn + kDotOff)) >= kDotOn) continue;
        auto [x, y] = path[i];
        const ColourValue c = display.pixel(x, y);
        if (c != ClrInvalid) display.setPixel(x, y, c ^ 0x00FFFFFFu);
    }
}

}  // namespace nalo
