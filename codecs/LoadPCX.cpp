#include "codecs/LoadPCX.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/LittleEndian.h"
#include "codecs/PcxRle.h"
#include "platform/FileBytes.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

const std::string Source = "LoadPCX";

[[noreturn]] void raise(int32_t number, const std::string& file, const std::string& why) {
    throw RuntimeError(number, Source, file + ": " + why);
}

int16_t size16(int64_t v, const std::string& file) {
    if (v < INT16_MIN || v > INT16_MAX) raise(err::Overflow, file, "overflow in the picture size");
    return static_cast<int16_t>(v);
}

// Copies `rows` rows of `rowBytes` bytes at a stride of `srcStride` from `src` into the
// picture, top row first (row-turning into the bottom-up bitmap), padding zero.
void copyRows(Dib& pic, const uint8_t* src, size_t srcStride, size_t rowBytes) {
    const size_t n = std::min(rowBytes, static_cast<size_t>(pic.stride()));
    for (int y = 0; y < pic.height(); ++y) std::memcpy(pic.row(y), src + y * srcStride, n);
}

Dib decodeMono(const uint8_t* d, int w, int h, int line) {
    Dib pic(w, h, 1, false);
    pic.setColourTable({RgbQuad{0, 0, 0, 0}, RgbQuad{255, 255, 255, 0}});
    copyRows(pic, d, line, line);
    return pic;
}

Dib decode256(const uint8_t* d, int w, int h, int line, std::span<const uint8_t> file) {
    Dib pic(w, h, 8, false);
    std::vector<RgbQuad> table(256);
    const size_t n = file.size();
    const bool palette = n >= 769 && file[n - 769] == 12;
    for (int i = 0; i < 256; ++i) {
        if (palette) {
            const uint8_t* t = file.data() + n - 768 + i * 3;
            table[i] = {t[2], t[1], t[0], 0};
        } else {
            table[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
        }
    }
    pic.setColourTable(table);
    copyRows(pic, d, line, line);
    return pic;
}

Dib decode16(const uint8_t* d, int w, int h, int planes, int bpl, const uint8_t* header) {
    const int w4 = (w + 3) / 4 * 4;
    Dib pic(w4, h, 4, false);
    std::vector<RgbQuad> table(16);
    for (int i = 0; i < 16; ++i) {
        const uint8_t* t = header + 16 + 3 * i;
        table[i] = {t[2], t[1], t[0], 0};
    }
    pic.setColourTable(table);
    const size_t packed = static_cast<size_t>(w4) / 2;
    if (planes == 1) {
        copyRows(pic, d, bpl, std::min<size_t>(packed, bpl));
        return pic;
    }
    const size_t rowBytes = static_cast<size_t>(4) * bpl;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = d + y * rowBytes;
        uint8_t* out = pic.row(y);
        for (int x = 0; x < w4; x += 2) {
            uint8_t pair = 0;
            for (int half = 0; half < 2; ++half) {
                const int px = x + half;
                const int byte = px >> 3;
                if (byte >= bpl) continue;  // beyond the plane: index 0
                const int bit = 7 - (px & 7);
                int v = 0;
                for (int p = 0; p < 4; ++p) v |= ((src[p * bpl + byte] >> bit) & 1) << p;
                pair |= static_cast<uint8_t>(v << (half ? 0 : 4));
            }
            out[x >> 1] = pair;
        }
    }
    return pic;
}

Dib decodeTrue(const uint8_t* d, int w, int h, int bpl) {
    Dib pic(w, h, 32, false);
    const size_t rowBytes = static_cast<size_t>(3) * bpl;
    for (int y = 0; y < h; ++y) {
        const uint8_t* r = d + y * rowBytes;
        const uint8_t* g = r + bpl;
        const uint8_t* b = g + bpl;
        uint8_t* out = pic.row(y);
        for (int x = 0; x < w; ++x, out += 4) {
            out[0] = b[x];
            out[1] = g[x];
            out[2] = r[x];
            out[3] = 0;
        }
    }
    return pic;
}

}  // namespace

bool LoadPCX::IsPCX() const {
    const uint8_t v = header_[1];
    return header_[0] == 10 && header_[2] < 2 && (v == 0 || v == 2 || v == 3 || v == 5);
}

void LoadPCX::Load(const std::string& FileName) { Decode(readFileBytes(FileName, Source), FileName); }

void LoadPCX::Decode(std::span<const uint8_t> file, const std::string& FileName) {
    if (file.size() < HeaderSize) raise(err::InputPastEndOfFile, FileName, "file shorter than the PCX header");
    std::memcpy(header_.data(), file.data(), HeaderSize);
    const uint8_t* hd = header_.data();

    width_ = size16(int64_t(size16(int64_t(getLe16s(hd + 8)) - getLe16s(hd + 4), FileName)) + 1, FileName);
    height_ = size16(int64_t(size16(int64_t(getLe16s(hd + 10)) - getLe16s(hd + 6), FileName)) + 1, FileName);
    const int planes = hd[65];
    const int bpl = getLe16s(hd + 66);
    lineLength_ = size16(int64_t(planes) * bpl, FileName);
    twipsWidth_ = width_ * TwipsPerPixelX;
    twipsHeight_ = height_ * TwipsPerPixelY;

    const int bits = hd[3];
    enum class Kind { Mono, Colours16, Colours256, TrueColour } kind;
    if (bits == 1 && planes == 1) kind = Kind::Mono;
    else if ((bits == 1 && planes == 4) || (bits == 4 && planes == 1)) kind = Kind::Colours16;
    else if (bits == 8 && planes == 1) kind = Kind::Colours256;
    else if (bits == 8 && planes == 3) kind = Kind::TrueColour;
    else return;  // unsupported depth: no new picture

    if (width_ <= 0 || height_ <= 0 || bpl <= 0) raise(err::InvalidPicture, FileName, "invalid picture size");
    CheckPictureBudget(kind == Kind::Colours16 ? (width_ + 3) / 4 * 4 : width_, height_, FileName, Source);

    // Bytes of the decoded stream the rows use.
    uint64_t needed = uint64_t(height_) * uint64_t(lineLength_);
    if (kind == Kind::TrueColour)
        needed = std::max<uint64_t>(needed, uint64_t(height_ - 1) * 3 * bpl + 2 * uint64_t(bpl) + width_);
    const std::span<const uint8_t> data(file.data() + HeaderSize, file.size() - HeaderSize);
    const bool rle = hd[2] == 1;
    if (needed > (rle ? pcxRleCapacity(data.size()) : data.size()))
        raise(err::InvalidPicture, FileName, "truncated PCX data");

    std::vector<uint8_t> decoded;
    const uint8_t* d = data.data();
    if (rle) {
        decoded.resize(needed);
        if (decodePcxRle(data, decoded) < needed) raise(err::InvalidPicture, FileName, "truncated PCX data");
        d = decoded.data();
    }

    switch (kind) {
    case Kind::Mono: module_.MakeBitmap(decodeMono(d, width_, height_, lineLength_)); break;
    case Kind::Colours16: module_.MakeBitmap(decode16(d, width_, height_, planes, bpl, hd)); break;
    case Kind::Colours256: module_.MakeBitmap(decode256(d, width_, height_, lineLength_, file)); break;
    case Kind::TrueColour: module_.MakeBitmap(decodeTrue(d, width_, height_, bpl)); break;
    }
}

}  // namespace nalo
