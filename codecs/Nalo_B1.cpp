#include "codecs/Nalo_B1.h"

namespace nalo {

void Nalo_B1::DrawBitmap(int width, int height, Dib& target, bool autoscale) const {
    if (autoscale && (target.width() != width || target.height() != height))
        target = Dib(width, height, target.empty() ? 24 : target.bitCount(), target.topDown());
    if (target.empty()) return;
    const bool covers = current_ && current_->width() >= width && current_->height() >= height;
    if (!covers) target.fill(rgb(255, 255, 255));
    if (!current_) return;
    if (target.width() == width && target.height() == height)
        bitBlt(target, 0, 0, width, height, *current_, 0, 0);
    else
        stretchBlt(target, 0, 0, target.width(), target.height(), *current_, 0, 0, width, height);
}

}  // namespace nalo
