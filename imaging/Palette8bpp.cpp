#include "imaging/Palette8bpp.h"

#include "shell/RuntimeError.h"

namespace nalo {

namespace {
[[noreturn]] void raiseRange() { throw RuntimeError(err::SubscriptOutOfRange, "cPal8bpp", "Subscript out of range"); }
}  // namespace

void cPal8bpp::Initialize(int16_t InitialEntries) {
    Destroy();
    entries_ = InitialEntries;
}

void cPal8bpp::Destroy() {
    entries_ = 0;
    colours_.fill(RgbQuad{});
}

void cPal8bpp::CreateHalfTone(int HalftoneLevels) {
    static constexpr int steps[5] = {256, 128, 85, 64, 51};
    if (HalftoneLevels < 0 || HalftoneLevels > 4) raiseRange();
    Initialize(0);
    const int step = steps[HalftoneLevels];
    uint8_t level[8];
    int n = 0;
    for (int v = 0; v <= 256; v += step) level[n++] = static_cast<uint8_t>(v == 256 ? 255 : v);
    for (int b = 0; b < n; ++b)
        for (int g = 0; g < n; ++g)
            for (int r = 0; r < n; ++r) colours_[r + n * g + n * n * b] = RgbQuad{level[b], level[g], level[r], 0};
    entries_ = static_cast<int16_t>(n * n * n);
}

const RgbQuad& cPal8bpp::Colour(int i) const {
    if (i < 0 || i > 255) raiseRange();
    return colours_[i];
}

}  // namespace nalo
