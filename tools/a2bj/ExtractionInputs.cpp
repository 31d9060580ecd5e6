#include "tools/a2bj/ExtractionInputs.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdlib>

#include "platform/AviFile.h"
#include "shell/FileHelpers.h"
#include "shell/Rounding.h"

namespace nalo::a2bj {

namespace {

// The nearest integer, limited to the 32-bit range.
int32_t wholeValue(double v) { return static_cast<int32_t>(roundHalfEven(std::clamp(v, -2147483648.0, 2147483647.0))); }

}  // namespace

std::optional<double> numericValue(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return std::nullopt;
    const std::string t = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.')
        for (++i; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]));) ++i, ++digits;
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exponent = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++exponent;
        if (exponent == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    const double v = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::string> checkInputs(const InputTexts& texts, Inputs& out) {
    const auto from = numericValue(texts.from);
    if (!from) return "Error ﾌﾚｰﾑ指定 From";
    const auto to = numericValue(texts.to);
    if (!to) return "Error ﾌﾚｰﾑ指定 To";
    if (*from > *to) return "Error ﾌﾚｰﾑ指定 From > To";
    const auto every = numericValue(texts.every);
    if (!every || wholeValue(*every) < 0) return "Error ﾌﾚｰﾑを？枚おきに保存";
    if (texts.folder.empty() || !FolderExists(texts.folder)) return "Error 保存先ﾌｫﾙﾀﾞ";
    Inputs in;
    if (texts.resize) {
        const auto w = numericValue(texts.width), h = numericValue(texts.height);
        if (!w || !h) return "Error 画像ｻｲｽﾞの変更";
        in.width = wholeValue(*w);
        in.height = wholeValue(*h);
        if (in.width <= 0 || in.height <= 0 || !FitsAviFrame(in.width, in.height))
            return "Error 画像ｻｲｽﾞの変更";
    }
    in.from = wholeValue(*from);
    in.to = wholeValue(*to);
    in.every = wholeValue(*every);
    in.everyWasZero = in.every == 0;
    if (in.every == 0) in.every = 1;
    in.resize = texts.resize;
    out = in;
    return std::nullopt;
}

}  // namespace nalo::a2bj
