#include "tools/pic2ico/CutBox.h"

#include <algorithm>

namespace nalo {

namespace {

constexpr ColourValue kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255);
constexpr int kDashPairs = 5;

ColourValue opposite(ColourValue c) { return c == kBlack ? kWhite : kBlack; }

}  // namespace

std::vector<std::pair<int, int>> CutBox::outline(int x, int y, int w, int h) {
    std::vector<std::pair<int, int>> px;
    if (w < 0 || h < 0) return px;
    px.reserve(static_cast<size_t>(2 * (w + 1) + 2 * std::max(h - 1, 0)));
    for (int i = 0; i <= w; ++i) {
        px.emplace_back(x + i, y);
        px.emplace_back(x + i, y + h);
    }
    for (int j = 0; j <= h - 2; ++j) {
        px.emplace_back(x, y + j + 1);
        px.emplace_back(x + w, y + j + 1);
    }
    return px;
}

void CutBox::paint(Dib& box, bool save) {
    const ColourValue start = opposite(colour_);
    const auto px = outline(x_, y_, w_, h_);
    if (save) {
        where_ = px;
        memory_.resize(px.size());
    }
    for (size_t k = 0; k < px.size(); ++k) {
        const size_t pair = k / 2;
        const ColourValue c = (pair / kDashPairs) % 2 == 0 ? start : opposite(start);
        if (save) memory_[k] = box.pixel(px[k].first, px[k].second);
        box.setPixel(px[k].first, px[k].second, c);
    }
    colour_ = start;
}

void CutBox::DrawCutBox(Dib& box, int xx, int yy, int wWidth, int hHeight, bool flash, bool remove) {
    if (flash && remove) return;
    if (remove) {
        for (size_t k = memory_.size(); k-- > 0;) box.setPixel(where_[k].first, where_[k].second, memory_[k]);
        memory_.clear();
        where_.clear();
        return;
    }
    if (!flash) {
        x_ = xx;
        y_ = yy;
        w_ = wWidth;
        h_ = hHeight;
    }
    paint(box, !flash);
}

}  // namespace nalo
