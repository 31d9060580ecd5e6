#include "codecs/LoadTGA.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/LittleEndian.h"
#include "codecs/TgaRle.h"
#include "platform/FileBytes.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

const std::string Source = "LoadTGA";

[[noreturn]] void raise(int32_t number, const std::string& file, const std::string& why) {
    throw RuntimeError(number, Source, file + ": " + why);
}

// 5-bit channel to 8 bits, as 5-5-5 pixels are shown.
inline uint8_t expand5(unsigned v) { return static_cast<uint8_t>(v << 3); }

std::vector<RgbQuad> readColourMap(std::span<const uint8_t> map, int entries, int entryBits) {
    std::vector<RgbQuad> table(256);  // entries without a map entry stay black
    const int size = (entryBits + 7) / 8;
    for (int k = 0; k < entries; ++k) {
        const uint8_t* e = map.data() + k * size;
        if (size == 2) {
            const unsigned v = getLe16(e);
            table[k] = {expand5(v & 31), expand5((v >> 5) & 31), expand5((v >> 10) & 31), 0};
        } else {
            table[k] = {e[0], e[1], e[2], 0};
        }
    }
    return table;
}

}  // namespace

bool LoadTGA::IsTGA() const {
    const uint8_t t = header_[2], d = header_[16];
    const bool type = t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11 || t == 32 || t == 33;
    return type && (d == 8 || d == 16 || d == 24 || d == 32);
}

void LoadTGA::Load(const std::string& FileName) { Decode(readFileBytes(FileName, Source), FileName); }

void LoadTGA::Decode(std::span<const uint8_t> file, const std::string& FileName) {
    if (file.size() < HeaderSize) raise(err::InputPastEndOfFile, FileName, "file shorter than the TGA header");
    std::memcpy(header_.data(), file.data(), HeaderSize);
    const uint8_t* hd = header_.data();
    width_ = getLe16s(hd + 12);
    height_ = getLe16s(hd + 14);
    twipsWidth_ = width_ * TwipsPerPixelX;
    twipsHeight_ = height_ * TwipsPerPixelY;
    topDown_ = (hd[17] & 0x20) != 0;

    const int depth = hd[16];
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return;  // no new picture
    const int type = hd[2];
    if (type == 32 || type == 33)
        raise(err::InvalidPicture, FileName, "compressed colour-mapped TGA (type " + std::to_string(type) + ") is not supported");
    if (width_ <= 0 || height_ <= 0) raise(err::InvalidPicture, FileName, "invalid picture size");
    CheckPictureBudget(width_, height_, FileName, Source);

    // The image ID and the colour map come between the header and the pixels.
    const int mapEntries = getLe16s(hd + 5);
    const int entryBits = hd[7];
    const bool hasMap = hd[1] != 0 && mapEntries != 0;
    if (mapEntries < 0) raise(err::InvalidPicture, FileName, "invalid colour map");
    const int entrySize = (entryBits + 7) / 8;
    if (hasMap && depth == 8) {
        if (mapEntries > 256) raise(err::SubscriptOutOfRange, FileName, "colour map of more than 256 entries");
        if (entrySize != 2 && entrySize != 3 && entrySize != 4)
            raise(err::InvalidPicture, FileName, "unsupported colour map entry size");
    }
    const size_t mapOffset = HeaderSize + hd[0];
    const size_t pixelOffset = mapOffset + (hasMap ? size_t(mapEntries) * entrySize : 0);
    if (pixelOffset > file.size()) raise(err::InvalidPicture, FileName, "truncated TGA data");
    const std::span<const uint8_t> data(file.data() + pixelOffset, file.size() - pixelOffset);

    const int p = depth / 8;
    const uint64_t pixels = uint64_t(width_) * uint64_t(height_);
    const bool rle = type == 9 || type == 10 || type == 11;
    if (pixels > (rle ? tgaRleCapacity(data.size(), p) : data.size() / p))
        raise(err::InvalidPicture, FileName, "truncated TGA data");
    const uint8_t* src = data.data();
    std::vector<uint8_t> decoded;
    if (rle) {
        decoded.resize(pixels * p);
        if (decodeTgaRle(data, decoded, p) < decoded.size())
            raise(err::InvalidPicture, FileName, "truncated TGA data");
        src = decoded.data();
    }

    const int w = width_, h = height_;
    const size_t rowBytes = size_t(w) * p;
    Dib pic(w, h, depth == 8 ? 8 : depth == 16 ? 16 : 32, topDown_);
    if (depth == 8) {
        const bool grey = type == 3 || type == 11;
        if (grey) {
            std::vector<RgbQuad> ramp(256);
            for (int i = 0; i < 256; ++i) ramp[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
            pic.setColourTable(ramp);
        } else {
            pic.setColourTable(hasMap ? readColourMap({file.data() + mapOffset, size_t(mapEntries) * entrySize}, mapEntries, entryBits)
                                      : std::vector<RgbQuad>(256));
        }
    }
    for (int i = 0; i < h; ++i) {
        const uint8_t* s = src + i * rowBytes;
        uint8_t* out = pic.storedRow(i);
        switch (depth) {
        case 8: std::memcpy(out, s, rowBytes); break;
        case 16:
            for (int x = 0; x < w; ++x) {
                out[2 * x] = s[2 * x];
                out[2 * x + 1] = s[2 * x + 1] & 0x7F;
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x, s += 3, out += 4) {
                out[0] = s[0];
                out[1] = s[1];
                out[2] = s[2];
                out[3] = 0;
            }
            break;
        default:
            for (int x = 0; x < w; ++x, s += 4, out += 4) {
                std::memcpy(out, s, 3);
                out[3] = 0;
            }
            break;
        }
    }
    module_.MakeBitmap(std::move(pic));
}

}  // namespace nalo
