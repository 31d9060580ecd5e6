#include "codecs/BmpDecoder.h"

#include <cstring>
#include <vector>

#include "platform/FileBytes.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr int32_t MaxSide = 1 << 16;

class Reader {
public:
    Reader(std::span<const uint8_t> d, const std::string& name) : d_(d), name_(name) {}
    uint32_t u32(size_t at) const {
        need(at, 4);
        return d_[at] | (uint32_t(d_[at + 1]) << 8) | (uint32_t(d_[at + 2]) << 16) | (uint32_t(d_[at + 3]) << 24);
    }
    uint16_t u16(size_t at) const {
        need(at, 2);
        return static_cast<uint16_t>(d_[at] | (d_[at + 1] << 8));
    }
    void need(size_t at, size_t n) const {
        if (at > d_.size() || n > d_.size() - at) fail("truncated file");
    }
    [[noreturn]] void fail(const std::string& why) const {
        throw RuntimeError(err::InvalidPicture, "BmpDecoder", name_ + ": " + why);
    }
    std::span<const uint8_t> data() const { return d_; }

private:
    std::span<const uint8_t> d_;
    const std::string& name_;
};

// Shift and width of a bit-field mask, for scaling a channel to 8 bits.
struct Channel {
    int shift = 0, bits = 0;
    uint32_t mask = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint8_t get(uint32_t v) const {
        if (!bits) return 0;
        uint32_t c = (v & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(c >> (bits - 8));
        // Replicate the high bits to fill 8 bits (31 -> 255).
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | c;
        return static_cast<uint8_t>(out >> (((8 + bits - 1) / bits) * bits - 8));
    }
};

// Run-length decoding into a bottom-up (file order) index buffer of the Dib.
void decodeRle(const Reader& rd, size_t at, size_t end, Dib& dib, bool rle4) {
    const auto data = rd.data();
    const int w = dib.width(), h = dib.height();
    int x = 0, line = 0;  // line counts stored rows from the first in the file
    auto put = [&](uint8_t idx) {
        if (x < w && line < h) dib.setRawPixel(x, dib.topDown() ? line : h - 1 - line, idx);
        ++x;
    };
    while (at + 2 <= end) {
        uint8_t n = data[at], v = data[at + 1];
        at += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i) put(rle4 ? ((i & 1) ? (v & 0x0F) : (v >> 4)) : v);
            continue;
        }
        if (v == 0) {  // end of line
            x = 0;
            ++line;
        } else if (v == 1) {  // end of bitmap
            return;
        } else if (v == 2) {  // delta
            if (at + 2 > end) return;
            x += data[at];
            line += data[at + 1];
            at += 2;
        } else {  // absolute run of v pixels, padded to a word
            size_t bytes = rle4 ? (v + 1) / 2 : v;
            if (at + bytes > end) bytes = end - at;
            for (int i = 0; i < v; ++i) {
                size_t b = rle4 ? static_cast<size_t>(i / 2) : static_cast<size_t>(i);
                if (b >= bytes) break;
                uint8_t byte = data[at + b];
                put(rle4 ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte);
            }
            at += (bytes + 1) & ~size_t(1);
        }
        if (line >= h) return;
    }
}

}  // namespace

Dib decodeBmp(std::span<const uint8_t> data, const std::string& name) {
    Reader rd(data, name);
    if (data.size() < 26 || data[0] != 'B' || data[1] != 'M') rd.fail("not a BMP file");
    const uint32_t pixelOffset = rd.u32(10);
    const uint32_t headerSize = rd.u32(14);
    int32_t width, height;
    uint16_t bitCount;
    uint32_t compression = BI_RGB, coloursUsed = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = rd.u16(18);
        height = static_cast<int16_t>(rd.u16(20));
        bitCount = rd.u16(24);
    } else if (headerSize >= 40 && headerSize <= 124) {
        width = static_cast<int32_t>(rd.u32(18));
        height = static_cast<int32_t>(rd.u32(22));
        bitCount = rd.u16(28);
        compression = rd.u32(30);
        coloursUsed = rd.u32(46);
    } else {
        rd.fail("unknown header size " + std::to_string(headerSize));
    }
    const bool topDown = height < 0;
    if (height == INT32_MIN) rd.fail("bad height");
    const int32_t absHeight = topDown ? -height : height;
    if (width <= 0 || absHeight <= 0 || width > MaxSide || absHeight > MaxSide)
        rd.fail("bad size " + std::to_string(width) + " x " + std::to_string(height));
    CheckPictureBudget(width, absHeight, name, "BmpDecoder");
    if (pixelOffset >= data.size()) rd.fail("truncated file");

    const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
    if (rle && topDown) rd.fail("top-down run-length bitmap");
    if ((compression == BI_RLE8 && bitCount != 8) || (compression == BI_RLE4 && bitCount != 4))
        rd.fail("bad compression for the bit count");
    if (compression != BI_RGB && !rle && compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS)
        rd.fail("unsupported compression " + std::to_string(compression));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        rd.fail("unsupported bit count " + std::to_string(bitCount));

    // Uncompressed pixels must all be present before anything is allocated.
    const int64_t srcStride = dibStride(width, bitCount);
    if (!rle && static_cast<int64_t>(data.size() - pixelOffset) < srcStride * absHeight) rd.fail("truncated file");
    // Run-length data produces at most 255 pixels per two bytes.
    if (rle && static_cast<int64_t>(width) * absHeight > static_cast<int64_t>(data.size() - pixelOffset) * 255)
        rd.fail("truncated file");

    if (bitCount <= 8) {
        Dib dib(width, absHeight, bitCount, topDown);
        const size_t tableAt = 14 + headerSize;
        const size_t entrySize = headerSize == 12 ? 3 : 4;
        size_t entries = coloursUsed && coloursUsed < (1u << bitCount) ? coloursUsed : (1u << bitCount);
        // Some writers leave less room than the full table before the pixels.
        if (pixelOffset > tableAt) entries = std::min(entries, (pixelOffset - tableAt) / entrySize);
        else entries = 0;
        std::vector<RgbQuad> table(size_t(1) << bitCount);
        for (size_t i = 0; i < entries; ++i) {
            rd.need(tableAt + i * entrySize, entrySize);
            const uint8_t* e = data.data() + tableAt + i * entrySize;
            table[i] = {e[0], e[1], e[2], 0};
        }
        dib.colourTable() = table;
        if (rle) {
            decodeRle(rd, pixelOffset, data.size(), dib, compression == BI_RLE4);
        } else {
            for (int i = 0; i < absHeight; ++i)
                std::memcpy(dib.storedRow(i), data.data() + pixelOffset + i * srcStride, static_cast<size_t>(srcStride));
        }
        return dib;
    }

    if (bitCount == 24) {
        Dib dib(width, absHeight, 24, topDown);
        for (int i = 0; i < absHeight; ++i)
            std::memcpy(dib.storedRow(i), data.data() + pixelOffset + i * srcStride, static_cast<size_t>(srcStride));
        return dib;
    }

    // 16 and 32 bits: default masks, or bit fields after the header.
    uint32_t rm, gm, bm;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        const size_t at = headerSize >= 52 ? 14 + 40 : 14 + headerSize;
        rm = rd.u32(at);
        gm = rd.u32(at + 4);
        bm = rd.u32(at + 8);
    } else if (bitCount == 16) {
        rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
    } else {
        rm = 0x00FF0000, gm = 0x0000FF00, bm = 0x000000FF;
    }
    Dib dib(width, absHeight, 32, topDown);
    const uint8_t* src = data.data() + pixelOffset;
    if (bitCount == 32 && rm == 0x00FF0000 && gm == 0x0000FF00 && bm == 0x000000FF) {
        for (int i = 0; i < absHeight; ++i) {
            const uint8_t* s = src + i * srcStride;
            uint8_t* d = dib.storedRow(i);
            for (int x = 0; x < width; ++x, s += 4, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 0;
            }
        }
        return dib;
    }
    const Channel r(rm), g(gm), b(bm);
    for (int i = 0; i < absHeight; ++i) {
        const uint8_t* s = src + i * srcStride;
        uint8_t* d = dib.storedRow(i);
        for (int x = 0; x < width; ++x, d += 4) {
            uint32_t v;
            if (bitCount == 16) {
                v = s[0] | (uint32_t(s[1]) << 8);
                s += 2;
            } else {
                v = s[0] | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16) | (uint32_t(s[3]) << 24);
                s += 4;
            }
            d[0] = b.get(v);
            d[1] = g.get(v);
            d[2] = r.get(v);
            d[3] = 0;
        }
    }
    return dib;
}

Dib readBmpFile(const std::string& path) { return decodeBmp(readFileBytes(path, "BmpDecoder"), path); }

}  // namespace nalo
