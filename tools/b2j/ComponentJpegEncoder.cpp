#include "tools/b2j/ComponentJpegEncoder.h"

#include <memory>

#include "platform/ComponentLibrary.h"

namespace nalo::b2j {

JpegEncoder componentJpegEncoder() {
    // Loaded on the first conversion and kept by the encoder for its lifetime.
    auto component = std::make_shared<std::unique_ptr<JpegComponent>>();
    return [component](const std::string& bmp, const std::string& jpg, int quality) {
        if (!*component) *component = std::make_unique<JpegComponent>();
        return (*component)->ConvertBMPtoJPG(bmp, jpg, -1, quality, -1) != 0;
    };
}

}  // namespace nalo::b2j
