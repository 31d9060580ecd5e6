#include "components/nalo1/DiscLayout.h"

#include <cstdarg>
#include <cstdio>

namespace nalo::discimage {

namespace {

[[noreturn]] void raise(const char* prefix, const char* format, va_list args) {
    char text[512];
    const int n = std::snprintf(text, sizeof text, "%s", prefix);
    std::vsnprintf(text + n, sizeof text - size_t(n), format, args);
    throw ImageError(text);
}

}  // namespace

void malformed(const char* format, ...) {
    va_list args;
    va_start(args, format);
    raise("", format, args);
}

void malformedAt(int line, const char* format, ...) {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "line %d: ", line);
    va_list args;
    va_start(args, format);
    raise(prefix, format, args);
}

void DiscLayout::append(int file, uint64_t offset, int64_t frames, uint32_t sectorSize) {
    if (frames <= 0) return;
    if (frames > MaxFrames || leadout + frames > MaxFrames) malformed("more than 100 minutes of frames");
    segments.push_back({leadout, frames, file, offset, sectorSize});
    leadout += frames;
}

void DiscLayout::validate() const {
    if (tracks.empty()) malformed("no tracks");
    if (firstTrack < 1 || firstTrack + tracks.size() - 1 > 99) malformed("track numbers outside 1-99");
    int64_t previous = -1;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (tracks[i].start <= previous) malformed("track %d does not start after the one before it", firstTrack + int(i));
        previous = tracks[i].start;
    }
    if (tracks.front().start < 0 || leadout <= previous) malformed("the last track has no frames in the data");
}

}  // namespace nalo::discimage
