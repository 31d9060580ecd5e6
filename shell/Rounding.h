#pragma once
// Numeric conversions of the program: halves round to even, and 16- and 32-bit
// integer arithmetic raises overflow (error 6) instead of wrapping.
#include <cmath>
#include <cstdint>
#include <limits>

#include "shell/RuntimeError.h"

namespace nalo {

[[noreturn]] inline void raiseOverflow() { throw RuntimeError(err::Overflow, "Nalo", "Overflow"); }

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
inline double roundHalfEven(double v) { return std::nearbyint(v); }

inline int16_t toInt16(double v) {
    double r = roundHalfEven(v);
    if (!(r >= -32768.0 && r <= 32767.0)) raiseOverflow();
    return static_cast<int16_t>(r);
}

inline int32_t toInt32(double v) {
    double r = roundHalfEven(v);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) raiseOverflow();
    return static_cast<int32_t>(r);
}

inline int16_t checked16(int64_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) raiseOverflow();
    return static_cast<int16_t>(v);
}

inline int32_t checked32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) raiseOverflow();
    return static_cast<int32_t>(v);
}

inline int16_t add16(int64_t a, int64_t b) { return checked16(a + b); }
inline int16_t sub16(int64_t a, int64_t b) { return checked16(a - b); }
inline int16_t mul16(int64_t a, int64_t b) { return checked16(a * b); }
inline int32_t add32(int64_t a, int64_t b) { return checked32(a + b); }
inline int32_t sub32(int64_t a, int64_t b) { return checked32(a - b); }
inline int32_t mul32(int64_t a, int64_t b) { return checked32(a * b); }

// Integer division truncating toward zero ("\"), raising division by zero.
inline int64_t intDiv(int64_t a, int64_t b) {
    if (b == 0) throw RuntimeError(err::DivisionByZero, "Nalo", "Division by zero");
    return a / b;
}

}  // namespace nalo
