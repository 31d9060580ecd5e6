#pragma once
// Colour value 0x00BBGGRR (red in the low byte).
#include <cstdint>

namespace nalo {

using ColourValue = uint32_t;

inline constexpr ColourValue ClrInvalid = 0xFFFFFFFFu;  // "no colour"

constexpr ColourValue rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<ColourValue>(r) | (static_cast<ColourValue>(g) << 8) | (static_cast<ColourValue>(b) << 16);
}
constexpr uint8_t redOf(ColourValue c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t greenOf(ColourValue c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t blueOf(ColourValue c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

// Values with the top bit set name system colours (index in the low byte).
constexpr bool isSystemColour(ColourValue c) { return (c & 0x80000000u) != 0 && c != ClrInvalid; }

// Translates a system colour to its RGB value (a fixed light desktop scheme); others pass through.
ColourValue translateColour(ColourValue c);

}  // namespace nalo
