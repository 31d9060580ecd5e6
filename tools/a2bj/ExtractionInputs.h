#pragma once
// The input checks of the AVI-to-images tool, in the order the window makes them,
// with their messages. The command line runs the same checks.
#include <cstdint>
#include <optional>
#include <string>

namespace nalo::a2bj {

struct InputTexts {
    std::string from, to;  // Flame_From, Flame_To
    std::string every;     // Flame_Skip
    std::string folder;    // Txt_Folder
    bool resize = false;   // the size-change flag
    std::string width, height;
};

struct Inputs {
    int32_t from = 0, to = 0;
    int32_t every = 1;          // 0 was taken as 1
    bool everyWasZero = false;  // the window then shows "1"
    bool resize = false;
    int32_t width = 0, height = 0;
};

// A text that reads as a number: blanks around it, an optional sign, digits with an
// optional fraction and exponent.
std::optional<double> numericValue(const std::string& text);

// The first failing check's message ("Error ﾌﾚｰﾑ指定 From" ...), or nothing with
// `out` filled. A step below 0 fails like a missing one; sizes beyond the largest
// frame fail like sizes of 0.
std::optional<std::string> checkInputs(const InputTexts& texts, Inputs& out);

}  // namespace nalo::a2bj
