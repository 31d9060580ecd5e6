#include "platform/VideoFileTypes.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace nalo {

namespace {
constexpr std::array<std::string_view, 20> Extensions = {
    "avi", "mp4", "m4v", "mov", "mkv", "webm", "ts", "mts", "m2ts", "mpg",
    "mpeg", "vob", "wmv", "asf", "flv", "3gp", "3g2", "ogv", "mxf", "nut"};
}  // namespace

const std::string& VideoFilePatterns() {
    static const std::string patterns = [] {
        std::string text;
        for (std::string_view e : Extensions) text += (text.empty() ? "*." : " *.") + std::string(e);
        return text;
    }();
    return patterns;
}

bool IsVideoExtension(std::string_view extension) {
    std::string lower(extension);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return std::find(Extensions.begin(), Extensions.end(), lower) != Extensions.end();
}

}  // namespace nalo
