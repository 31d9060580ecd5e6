#include "tools/bj2a/FpsText.h"

#include <charconv>

namespace nalo::bj2a {

std::optional<int> ParseFps(const std::string& text) {
    int fps = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, fps);
    if (text.empty() || ec != std::errc() || at != end || fps < 1 || fps > 30) return std::nullopt;
    return fps;
}

}  // namespace nalo::bj2a
