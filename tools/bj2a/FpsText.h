#pragma once
// The frame rate as the command line gives it.
#include <optional>
#include <string>

namespace nalo::bj2a {

// A whole number of frames per second, 1..30; nothing otherwise.
std::optional<int> ParseFps(const std::string& text);

}  // namespace nalo::bj2a
