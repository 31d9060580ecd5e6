#include "tools/b2j/ComponentJpegEncoder.h"

#include <memory>

#include "platform/ComponentLibrary.h"

namespace nalo::b2j {

JpegEncoder componentJpegEncoder() {
    using ConvertFn = int32_t (*)(const char*, const char*, int32_t, int32_t, int32_t);
    // Loaded on the first conversion and kept by the encoder for its lifetime.
    auto library = std::make_shared<std::unique_ptr<ComponentLibrary>>();
    return [library](const std::string& bmp, const std::string& jpg, int quality) {
        if (!*library) *library = std::make_unique<ComponentLibrary>("Nalo3.dll");
        auto convert = (*library)->symbol<ConvertFn>("ConvertBMPtoJPG");
        return convert(bmp.c_str(), jpg.c_str(), -1, quality, -1) != 0;
    };
}

}  // namespace nalo::b2j
