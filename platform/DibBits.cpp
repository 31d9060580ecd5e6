#include "platform/DibBits.h"

#include <array>
#include <unordered_map>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

std::vector<RgbQuad> standard16() {
    static constexpr std::array<ColourValue, 16> colours = {
        rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
        rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
        rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
        rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
    std::vector<RgbQuad> t;
    for (ColourValue c : colours) t.push_back(quadOf(c));
    return t;
}

std::vector<RgbQuad> table256() {
    std::vector<RgbQuad> t = standard16();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                t.push_back(quadOf(rgb(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51),
                                       static_cast<uint8_t>(b * 51))));
    for (int i = 0; i < 24; ++i) {
        auto v = static_cast<uint8_t>(8 + 10 * i);
        t.push_back({v, v, v, 0});
    }
    return t;
}

}  // namespace

const std::vector<RgbQuad>& defaultColourTable(int bitCount) {
    static const std::vector<RgbQuad> mono = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    static const std::vector<RgbQuad> sixteen = standard16();
    static const std::vector<RgbQuad> full = table256();
    switch (bitCount) {
    case 1: return mono;
    case 4: return sixteen;
    case 8: return full;
    default: throw RuntimeError(err::InvalidProcedureCall, "DibBits", "No default table for this bit count");
    }
}

Dib dibBits(const Dib& src, int bitCount) {
    if (bitCount == 24) return convertDib(src, 24, false);
    const auto& table = defaultColourTable(bitCount);
    Dib out(src.width(), src.height(), bitCount, false);
    out.setColourTable(table);
    std::unordered_map<ColourValue, uint32_t> nearest;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            ColourValue c = src.pixel(x, y);
            auto it = nearest.find(c);
            if (it == nearest.end()) it = nearest.emplace(c, static_cast<uint32_t>(nearestIndex(table, c))).first;
            out.setRawPixel(x, y, it->second);
        }
    return out;
}

}  // namespace nalo
