#pragma once
// The JPEG and GIF decoders behind the picture loader. Both give a 24-bit bottom-up
// Dib and raise RuntimeError (481, naming `name`) for truncated or absurd data.
#include <cstdint>
#include <span>
#include <string>

#include "platform/Dib.h"

namespace nalo {

Dib decodeJpeg(std::span<const uint8_t> data, const std::string& name);

// The first frame composed on the logical screen. The screen starts as its background
// colour (white when the first frame is transparent or there is no global colour map);
// transparent pixels leave the screen as it is.
Dib decodeGif(std::span<const uint8_t> data, const std::string& name);

[[noreturn]] void raiseInvalidPicture(const std::string& source, const std::string& name, const std::string& why);

}  // namespace nalo
