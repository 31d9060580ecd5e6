#pragma once
// A frame rate as a fraction, rate / scale frames per second, as a video stream
// stores it.
#include <cstdint>
#include <optional>
#include <string>

namespace nalo::bj2a {

struct FrameRate {
    uint32_t rate = 20, scale = 1;
    friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// The slowest and fastest rates written: one picture per 10 s, 30 per second.
inline constexpr FrameRate SlowestRate{1, 10};
inline constexpr FrameRate FastestRate{30, 1};

// "20", "0.5", "29.97" or "30000/1001", reduced to lowest terms; nothing for text
// that is not such a number or a rate outside SlowestRate..FastestRate.
std::optional<FrameRate> ParseFrameRate(const std::string& text);
// The rate held within SlowestRate..FastestRate; a zero term gives the default 20.
FrameRate LimitFrameRate(FrameRate rate);
// "20" for a whole rate, otherwise "30000/1001".
std::string FrameRateText(FrameRate rate);

}  // namespace nalo::bj2a
