#include "codecs/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "shell/RuntimeError.h"

namespace nalo {
namespace {

constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6;
// An RLE stream may describe at most this many output bytes per input byte (plus a
// fixed allowance): runs reach 255 pixels per 2 bytes and end-of-line codes more.
constexpr int64_t RleExpansion = 1024;
constexpr int64_t RleAllowance = int64_t(1) << 20;
// Largest BMP file read into memory.
constexpr int64_t MaxBmpFileBytes = int64_t(1) << 31;

[[noreturn]] void invalid(const std::string& name, const char* why) {
    throw RuntimeError(err::InvalidPicture, "BmpDecoder", name + ": BMPファイルとして読めません（" + why + "）");
}

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// One colour channel of a bit-field pixel: position, width and an 8-bit scale table.
struct Channel {
    int shift = 0;
    int bits = 0;  // bits used (at most 8; wider fields keep their top 8)
    uint32_t mask = 0;
    std::array<uint8_t, 256> scale{};

    explicit Channel(uint32_t m = 0) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        int width = std::popcount(m >> shift);
        if (width > 8) {
            shift += width - 8;
            width = 8;
        }
        bits = width;
        mask = (1u << width) - 1;
        for (uint32_t v = 0; v <= mask; ++v) scale[v] = static_cast<uint8_t>((v * 255 + mask / 2) / mask);
    }
    uint8_t operator()(uint32_t px) const { return bits ? scale[(px >> shift) & mask] : 0; }
};

bool contiguous(uint32_t m) {
    if (m == 0) return true;
    uint32_t v = m >> std::countr_zero(m);
    return (v & (v + 1)) == 0;
}

struct Header {
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BiRgb;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    bool hasMasks = false;
    size_t tableAt = 0, tableEntries = 0, entrySize = 4;
    size_t pixelsAt = 0;
};

Header parseHeader(std::span<const uint8_t> d, const std::string& name) {
    if (d.size() < 18 || d[0] != 'B' || d[1] != 'M') invalid(name, "BMPの署名がありません");
    Header h;
    uint32_t offBits = le32(&d[10]);
    uint32_t hsize = le32(&d[14]);
    if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 64 && hsize != 108 && hsize != 124)
        invalid(name, "対応していない形式です");
    if (d.size() < 14 + size_t(hsize)) invalid(name, "途中で切れています");
    const uint8_t* p = &d[14];
    int planes;
    if (hsize == 12) {
        h.width = le16(p + 4);
        h.height = static_cast<int16_t>(le16(p + 6));
        planes = le16(p + 8);
        h.bitCount = le16(p + 10);
        h.entrySize = 3;
    } else {
        h.width = static_cast<int32_t>(le32(p + 4));
        h.height = static_cast<int32_t>(le32(p + 8));
        planes = le16(p + 12);
        h.bitCount = le16(p + 14);
        h.compression = le32(p + 16);
        h.imageSize = le32(p + 20);
        h.coloursUsed = le32(p + 32);
    }
    if (planes != 1) invalid(name, "対応していない形式です");
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0 || h.width * h.height > MaxDibPixels) invalid(name, "画像サイズが不正です");

    size_t afterHeader = 14 + hsize;
    switch (h.bitCount) {
    case 1: case 4: case 8:
        if (h.compression != BiRgb && !(h.compression == BiRle8 && h.bitCount == 8) &&
            !(h.compression == BiRle4 && h.bitCount == 4))
            invalid(name, "対応していない形式です");
        break;
    case 16: case 32:
        if (h.compression == BiBitfields || h.compression == BiAlphaBitfields) {
            h.hasMasks = true;
            if (hsize >= 52) {
                for (int i = 0; i < 3; ++i) h.masks[i] = le32(p + 40 + 4 * i);
            } else {
                size_t n = h.compression == BiAlphaBitfields ? 16 : 12;
                if (d.size() < afterHeader + n) invalid(name, "途中で切れています");
                for (int i = 0; i < 3; ++i) h.masks[i] = le32(&d[afterHeader + 4 * i]);
                afterHeader += n;
            }
            for (uint32_t m : h.masks)
                if (!contiguous(m)) invalid(name, "ビットフィールドが不正です");
        } else if (h.compression != BiRgb) {
            invalid(name, "対応していない形式です");
        }
        break;
    case 24:
        if (h.compression != BiRgb) invalid(name, "対応していない形式です");
        break;
    default: invalid(name, "対応していない形式です");
    }
    if (h.topDown && (h.compression == BiRle4 || h.compression == BiRle8)) h.topDown = false;

    h.tableAt = afterHeader;
    if (h.bitCount <= 8) {
        size_t full = size_t(1) << h.bitCount;
        size_t n = (h.coloursUsed == 0 || h.coloursUsed > full) ? full : h.coloursUsed;
        // The pixel offset, when given, bounds the table (some writers store fewer entries).
        if (offBits > afterHeader) n = std::min(n, (size_t(offBits) - afterHeader) / h.entrySize);
        if (d.size() < afterHeader + n * h.entrySize) invalid(name, "途中で切れています");
        h.tableEntries = n;
    }
    size_t tableEnd = afterHeader + h.tableEntries * h.entrySize;
    h.pixelsAt = offBits == 0 ? tableEnd : offBits;
    if (h.pixelsAt < 14 + size_t(hsize) || h.pixelsAt > d.size()) invalid(name, "途中で切れています");
    return h;
}

std::vector<RgbQuad> readTable(std::span<const uint8_t> d, const Header& h) {
    std::vector<RgbQuad> table(size_t(1) << h.bitCount, RgbQuad{});
    for (size_t i = 0; i < h.tableEntries; ++i) {
        const uint8_t* e = &d[h.tableAt + i * h.entrySize];
        table[i] = RgbQuad{e[0], e[1], e[2], 0};
    }
    return table;
}

void decodeUncompressed(std::span<const uint8_t> d, const Header& h, Dib& dib, const std::string& name) {
    const int64_t fileStride = dibStride(h.width, h.bitCount);
    const int64_t lastRow = (h.width * h.bitCount + 7) / 8;  // the final row may lack its padding
    const int64_t need = fileStride * (h.height - 1) + lastRow;
    if (static_cast<int64_t>(d.size() - h.pixelsAt) < need) invalid(name, "途中で切れています");
    const uint8_t* src = &d[h.pixelsAt];
    const int rows = dib.height();
    const int w = dib.width();

    if (h.bitCount <= 8 || h.bitCount == 24) {
        for (int i = 0; i < rows; ++i) {
            int64_t n = i == rows - 1 ? lastRow : fileStride;
            std::memcpy(dib.storedRow(i), src + fileStride * i, static_cast<size_t>(n));
        }
        return;
    }
    if (h.bitCount == 32 && (!h.hasMasks || (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF))) {
        for (int i = 0; i < rows; ++i) {
            const uint8_t* s = src + fileStride * i;
            uint8_t* o = dib.storedRow(i);
            for (int x = 0; x < w; ++x, s += 4, o += 4) {
                o[0] = s[0];
                o[1] = s[1];
                o[2] = s[2];
                o[3] = 0;
            }
        }
        return;
    }
    uint32_t rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
    if (h.hasMasks) {
        rm = h.masks[0];
        gm = h.masks[1];
        bm = h.masks[2];
    }
    const Channel r(rm), g(gm), b(bm);
    for (int i = 0; i < rows; ++i) {
        const uint8_t* s = src + fileStride * i;
        uint8_t* o = dib.storedRow(i);
        for (int x = 0; x < w; ++x, o += 4) {
            uint32_t px;
            if (h.bitCount == 16) {
                px = le16(s);
                s += 2;
            } else {
                px = le32(s);
                s += 4;
            }
            o[0] = b(px);
            o[1] = g(px);
            o[2] = r(px);
            o[3] = 0;
        }
    }
}

// RLE4/RLE8: rows are stored bottom-up; skipped pixels keep index 0.
void decodeRle(std::span<const uint8_t> d, const Header& h, Dib& dib, const std::string& name) {
    size_t end = d.size();
    if (h.imageSize != 0 && h.pixelsAt + h.imageSize < end) end = h.pixelsAt + h.imageSize;
    const bool four = h.compression == BiRle4;
    const int w = dib.width(), rows = dib.height();
    auto put = [&](int x, int y, uint8_t v) {
        uint8_t* row = dib.storedRow(y);
        if (!four) {
            row[x] = v;
        } else if (x & 1) {
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (v & 0x0F));
        } else {
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (v << 4));
        }
    };
    size_t pos = h.pixelsAt;
    int64_t x = 0, y = 0;
    bool done = false;
    while (!done) {
        if (y >= rows) break;
        if (pos + 2 > end) invalid(name, "途中で切れています");
        uint8_t count = d[pos], value = d[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i, ++x)
                put(static_cast<int>(x), static_cast<int>(y), four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:
            x = 0;
            ++y;
            break;
        case 1: done = true; break;
        case 2:
            if (pos + 2 > end) invalid(name, "途中で切れています");
            x += d[pos];
            y += d[pos + 1];
            pos += 2;
            break;
        default: {
            size_t bytes = four ? (value + 1) / 2 : value;
            bytes = (bytes + 1) & ~size_t(1);
            if (pos + bytes > end) invalid(name, "途中で切れています");
            for (int i = 0; i < value && x < w; ++i, ++x) {
                uint8_t v = four ? ((i & 1) ? d[pos + i / 2] & 0x0F : d[pos + i / 2] >> 4) : d[pos + i];
                put(static_cast<int>(x), static_cast<int>(y), v);
            }
            if (x > w) x = w;
            pos += bytes;
        }
        }
    }
}

}  // namespace

Dib decodeBmp(std::span<const uint8_t> data, const std::string& name) {
    Header h = parseHeader(data, name);
    const bool rle = h.compression == BiRle4 || h.compression == BiRle8;
    const int outBits = h.bitCount == 16 ? 32 : h.bitCount;
    if (rle) {
        int64_t available = static_cast<int64_t>(data.size() - h.pixelsAt);
        if (dibStride(h.width, outBits) * h.height > available * RleExpansion + RleAllowance)
            invalid(name, "画像サイズが不正です");
    } else if (static_cast<int64_t>(data.size() - h.pixelsAt) < dibStride(h.width, h.bitCount) * (h.height - 1)) {
        invalid(name, "途中で切れています");  // checked before allocating
    }
    Dib dib(static_cast<int>(h.width), static_cast<int>(h.height), outBits, h.topDown);
    if (h.bitCount <= 8) dib.setColourTable(readTable(data, h));
    if (rle)
        decodeRle(data, h, dib, name);
    else
        decodeUncompressed(data, h, dib, name);
    return dib;
}

Dib readBmpFile(const std::string& path) {
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<FILE, Closer> f(std::fopen(path.c_str(), "rb"));
    if (!f) raiseFileError("BmpDecoder", path, errno);
    if (std::fseek(f.get(), 0, SEEK_END) != 0) raiseFileError("BmpDecoder", path, errno);
    long size = std::ftell(f.get());
    if (size < 0) raiseFileError("BmpDecoder", path, errno);
    if (size > MaxBmpFileBytes) invalid(path, "ファイルが大きすぎます");
    std::rewind(f.get());
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && std::fread(data.data(), 1, data.size(), f.get()) != data.size()) {
        if (std::ferror(f.get())) raiseFileError("BmpDecoder", path, errno ? errno : EIO);
        invalid(path, "途中で切れています");
    }
    return decodeBmp(data, path);
}

}  // namespace nalo
