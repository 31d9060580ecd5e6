#include "tools/bj2a/FrameRate.h"

#include <cctype>
#include <numeric>

namespace nalo::bj2a {

namespace {

constexpr uint64_t MaxTerm = 1000000;  // a rate or scale beyond this is no real rate

// The decimal digits of `text`, with at most one dot: value x 10^decimals.
bool parseDecimal(const std::string& text, uint64_t& value, uint64_t& tenths) {
    value = 0;
    tenths = 1;
    bool dot = false, digit = false;
    for (char ch : text) {
        if (ch == '.' && !dot) {
            dot = true;
        } else if (std::isdigit(static_cast<unsigned char>(ch))) {
            digit = true;
            value = value * 10 + uint64_t(ch - '0');
            if (dot) tenths *= 10;
            if (value > MaxTerm * 10 || tenths > MaxTerm) return false;
        } else {
            return false;
        }
    }
    return digit;
}

bool below(FrameRate a, FrameRate b) { return uint64_t(a.rate) * b.scale < uint64_t(b.rate) * a.scale; }

FrameRate reduced(uint64_t rate, uint64_t scale) {
    const uint64_t d = std::gcd(rate, scale);
    return {uint32_t(rate / d), uint32_t(scale / d)};
}

}  // namespace

std::optional<FrameRate> ParseFrameRate(const std::string& text) {
    uint64_t rate, scale, rateTenths, scaleTenths = 1;
    const auto slash = text.find('/');
    if (slash == std::string::npos) {
        if (!parseDecimal(text, rate, rateTenths)) return std::nullopt;
        scale = 1;
    } else if (!parseDecimal(text.substr(0, slash), rate, rateTenths) ||
               !parseDecimal(text.substr(slash + 1), scale, scaleTenths)) {
        return std::nullopt;
    }
    if (rate == 0 || scale == 0) return std::nullopt;
    const FrameRate r = reduced(rate * scaleTenths, scale * rateTenths);
    if (r.rate > MaxTerm || r.scale > MaxTerm || below(r, SlowestRate) || below(FastestRate, r)) return std::nullopt;
    return r;
}

FrameRate LimitFrameRate(FrameRate rate) {
    if (rate.rate == 0 || rate.scale == 0) return {};
    if (below(rate, SlowestRate)) return SlowestRate;
    if (below(FastestRate, rate)) return FastestRate;
    return reduced(rate.rate, rate.scale);
}

std::string FrameRateText(FrameRate rate) {
    if (rate.scale == 1) return std::to_string(rate.rate);
    return std::to_string(rate.rate) + "/" + std::to_string(rate.scale);
}

}  // namespace nalo::bj2a
