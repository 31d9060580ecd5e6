#include "platform/PictureSize.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <vector>

#include "codecs/LittleEndian.h"
#include "platform/FileDescriptor.h"
#include "platform/PictureOrientation.h"

namespace nalo {

namespace {

uint16_t getBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

std::optional<PictureSize> bmpSize(int fd) {
    uint8_t h[26];
    if (!readFullyAt(fd, h, sizeof h, 0)) return std::nullopt;
    if (getLe32(h + 14) == 12) return PictureSize{getLe16(h + 18), std::abs(int64_t(getLe16s(h + 20)))};
    return PictureSize{int32_t(getLe32(h + 18)), std::abs(int64_t(int32_t(getLe32(h + 22))))};
}

// The frame header (SOFn) after the segments before it.
std::optional<PictureSize> jpegSize(int fd) {
    uint64_t at = 2;
    for (;;) {
        uint8_t m[2];
        if (!readFullyAt(fd, m, 2, at) || m[0] != 0xFF) return std::nullopt;
        if (m[1] == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        at += 2;
        const uint8_t marker = m[1];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        uint8_t seg[7];
        if (marker == 0xD9 || !readFullyAt(fd, seg, 2, at)) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (!readFullyAt(fd, seg, sizeof seg, at)) return std::nullopt;
            PictureSize size{getBe16(seg + 5), getBe16(seg + 3)};
            // A quarter turn by the EXIF orientation swaps the sides.
            std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(at, JpegExifReach)));
            if (readFullyAt(fd, head.data(), head.size(), 0) && jpegOrientation(head) >= 5)
                std::swap(size.width, size.height);
            return size;
        }
        at += getBe16(seg);
    }
}

// The logical screen, widened by the first frame's descriptor.
std::optional<PictureSize> gifSize(int fd) {
    uint8_t h[13];
    if (!readFullyAt(fd, h, sizeof h, 0)) return std::nullopt;
    PictureSize size{getLe16(h + 6), getLe16(h + 8)};
    uint64_t at = 13 + ((h[10] & 0x80) ? 3u << ((h[10] & 7) + 1) : 0);
    for (;;) {
        uint8_t b[9];
        if (!readFullyAt(fd, b, 1, at)) return std::nullopt;
        if (b[0] == 0x2C) {
            if (!readFullyAt(fd, b, 9, at + 1)) return std::nullopt;
            size.width = std::max<int64_t>(size.width, getLe16(b) + getLe16(b + 4));
            size.height = std::max<int64_t>(size.height, getLe16(b + 2) + getLe16(b + 6));
            return size;
        }
        if (b[0] != 0x21) return std::nullopt;
        at += 2;  // introducer and label, then the sub-blocks
        for (uint8_t length = 1; length != 0; at += 1 + length)
            if (!readFullyAt(fd, &length, 1, at)) return std::nullopt;
    }
}

}  // namespace

std::optional<PictureSize> probePictureSize(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    uint8_t magic[6];
    if (fd.get() < 0 || !readFullyAt(fd.get(), magic, sizeof magic, 0)) return std::nullopt;
    std::optional<PictureSize> size;
    if (magic[0] == 'B' && magic[1] == 'M')
        size = bmpSize(fd.get());
    else if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        size = jpegSize(fd.get());
    else if (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0)
        size = gifSize(fd.get());
    if (size && (size->width <= 0 || size->height <= 0)) size.reset();
    return size;
}

}  // namespace nalo
