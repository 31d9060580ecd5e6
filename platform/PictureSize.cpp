#include "platform/PictureSize.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <vector>
#include <webp/decode.h>

#include "codecs/LittleEndian.h"
#include "platform/FileDescriptor.h"
#include "platform/PictureOrientation.h"

namespace nalo {

namespace {

uint16_t getBe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t getBe32(const uint8_t* p) { return uint32_t(getBe16(p)) << 16 | getBe16(p + 2); }

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

// IHDR. An eXIf chunk before the image data may turn the picture: its size is then
// left to the decoder.
std::optional<PictureSize> pngSize(int fd) {
    uint8_t h[24];
    if (!readFullyAt(fd, h, sizeof h, 0) || std::memcmp(h + 12, "IHDR", 4) != 0) return std::nullopt;
    const PictureSize size{getBe32(h + 16), getBe32(h + 20)};
    for (uint64_t at = 8;;) {
        uint8_t c[8];
        if (!readFullyAt(fd, c, sizeof c, at)) return std::nullopt;
        if (std::memcmp(c + 4, "IDAT", 4) == 0) return size;
        if (std::memcmp(c + 4, "eXIf", 4) == 0) return std::nullopt;
        at += 12 + uint64_t(getBe32(c));
    }
}

// The canvas libwebp reports from the first chunks. An EXIF chunk may turn the picture:
// its size is then left to the decoder.
std::optional<PictureSize> webpSize(int fd) {
    uint8_t h[4096];
    size_t n = 0;
    while (n < sizeof h) {
        const ssize_t got = ::pread(fd, h + n, sizeof h - n, static_cast<off_t>(n));
        if (got <= 0) break;
        n += static_cast<size_t>(got);
    }
    constexpr uint8_t ExifFlag = 0x08;
    if (n > 20 && std::memcmp(h + 12, "VP8X", 4) == 0 && (h[20] & ExifFlag)) return std::nullopt;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(h, n, &features) != VP8_STATUS_OK) return std::nullopt;
    return PictureSize{features.width, features.height};
}

// ImageWidth, ImageLength and Orientation of the first directory of a classic TIFF.
std::optional<PictureSize> tiffSize(int fd) {
    uint8_t h[8];
    if (!readFullyAt(fd, h, sizeof h, 0)) return std::nullopt;
    const bool le = h[0] == 'I';
    auto u16 = [le](const uint8_t* p) { return le ? getLe16(p) : getBe16(p); };
    auto u32 = [le](const uint8_t* p) { return le ? getLe32(p) : getBe32(p); };
    if (u16(h + 2) != 42) return std::nullopt;
    const uint64_t ifd = u32(h + 4);
    uint8_t c[2];
    if (!readFullyAt(fd, c, 2, ifd)) return std::nullopt;
    const int count = u16(c);
    std::vector<uint8_t> entries(size_t(count) * 12);
    if (!readFullyAt(fd, entries.data(), entries.size(), ifd + 2)) return std::nullopt;
    int64_t width = -1, length = -1, orientation = -1;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = entries.data() + size_t(i) * 12;
        const uint16_t tag = u16(e), type = u16(e + 2);
        int64_t* field = tag == 256 ? &width : tag == 257 ? &length : tag == 274 ? &orientation : nullptr;
        if (!field) continue;
        if (*field >= 0 || u32(e + 4) != 1 || (type != 3 && type != 4)) return std::nullopt;
        *field = type == 3 ? u16(e + 8) : u32(e + 8);
    }
    if (width < 0 || length < 0) return std::nullopt;
    // A quarter turn swaps the sides.
    if (orientation >= 5 && orientation <= 8) std::swap(width, length);
    return PictureSize{width, length};
}

}  // namespace

std::optional<PictureSize> probePictureSize(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    uint8_t magic[12];
    if (fd.get() < 0 || !readFullyAt(fd.get(), magic, sizeof magic, 0)) return std::nullopt;
    std::optional<PictureSize> size;
    if (magic[0] == 'B' && magic[1] == 'M')
        size = bmpSize(fd.get());
    else if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        size = jpegSize(fd.get());
    else if (std::memcmp(magic, "GIF87a", 6) == 0 || std::memcmp(magic, "GIF89a", 6) == 0)
        size = gifSize(fd.get());
    else if (std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0)
        size = pngSize(fd.get());
    else if (std::memcmp(magic, "RIFF", 4) == 0 && std::memcmp(magic + 8, "WEBP", 4) == 0)
        size = webpSize(fd.get());
    else if (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0)
        size = tiffSize(fd.get());
    if (size && (size->width <= 0 || size->height <= 0)) size.reset();
    return size;
}

}  // namespace nalo
