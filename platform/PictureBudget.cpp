#include "platform/PictureBudget.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Dib.h"
#include "shell/RuntimeError.h"

namespace nalo {

int64_t PictureBudget() {
    // Read on every call: a getenv is nothing next to a decode, and tests may change it.
    const char* text = std::getenv("NALO_MAX_PIXELS");
    if (text && *text) {
        char* end = nullptr;
        const long long v = std::strtoll(text, &end, 10);
        if (*end == '\0' && v > 0) return std::min<int64_t>(v, MaxDibPixels);
    }
    return DefaultPictureBudget;
}

bool FitsPictureBudget(int64_t width, int64_t height) {
    if (width < 0 || height < 0) return false;
    const int64_t budget = PictureBudget();
    return width == 0 || height <= budget / width;
}

void CheckPictureBudget(int64_t width, int64_t height, const std::string& name, const std::string& source) {
    if (FitsPictureBudget(width, height)) return;
    throw RuntimeError(err::InvalidPicture, source,
                       name + ": picture too large (" + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels; the limit is " + std::to_string(PictureBudget()) +
                           " pixels, set by NALO_MAX_PIXELS)");
}

}  // namespace nalo
