#include "codecs/OneFrameGifWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "codecs/LittleEndian.h"
#include "platform/FileBytes.h"
#include "shell/Rounding.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr uint8_t Levels[5] = {0, 64, 128, 192, 255};
constexpr uint32_t ClearCode = 256, EndCode = 257, FirstCode = 258;
constexpr int MaxAdded = 253;
constexpr size_t TableKeys = 511 * 256;  // prefix codes 0..510, next index 0..255

// Per channel: the level index nearest to each value (ties to the lower level).
std::array<uint8_t, 256> makeLevelOf() {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        int best = 0;
        for (int l = 1; l < 5; ++l)
            if (std::abs(v - Levels[l]) < std::abs(v - Levels[best])) best = l;
        t[static_cast<size_t>(v)] = static_cast<uint8_t>(best);
    }
    return t;
}
const std::array<uint8_t, 256> LevelOf = makeLevelOf();

// Guards the busy flag for the duration of one call.
struct BusyFlag {
    bool& flag;
    explicit BusyFlag(bool& f) : flag(f) { flag = true; }
    ~BusyFlag() { flag = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;
};

}  // namespace

const std::array<RgbQuad, 256>& CubePalette125() {
    static const std::array<RgbQuad, 256> table = [] {
        std::array<RgbQuad, 256> t{};
        for (int i = 0; i < 125; ++i)
            t[static_cast<size_t>(i)] = {Levels[i / 25], Levels[(i / 5) % 5], Levels[i % 5], 0};
        return t;
    }();
    return table;
}

// The grid is separable: the nearest entry takes the nearest level of each channel.
uint8_t CubeIndexOf(ColourValue c) {
    return static_cast<uint8_t>(LevelOf[redOf(c)] + 5 * LevelOf[greenOf(c)] + 25 * LevelOf[blueOf(c)]);
}

bool GIF::SaveGIF(const Dib& Pic, const std::string& sFileName, bool UseTrans, ColourValue TransColor) {
    if (busy_) return false;
    BusyFlag busy(busy_);
    const int w = Pic.width(), h = Pic.height();
    if (Pic.empty() || w > 65535 || h > 65535)
        throw RuntimeError(err::InvalidProcedureCall, "SaveGIF", sFileName + ": no picture of a GIF's size to save");

    std::array<RgbQuad, 256> table{};
    pixels_.resize(static_cast<size_t>(w) * h);
    if (Pic.bitCount() == 8) {
        const auto& own = Pic.colourTable();
        std::copy_n(own.begin(), std::min<size_t>(own.size(), 256), table.begin());
        for (int y = 0; y < h; ++y) std::memcpy(&pixels_[static_cast<size_t>(y) * w], Pic.row(y), static_cast<size_t>(w));
    } else {
        table = CubePalette125();
        Dib storage;
        const Dib& src = Pic.bitCount() == 24 ? Pic : (storage = convertDib(Pic, 24, false));
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = &pixels_[static_cast<size_t>(y) * w];
            for (int x = 0; x < w; ++x, s += 3)
                d[x] = static_cast<uint8_t>(LevelOf[s[2]] + 5 * LevelOf[s[1]] + 25 * LevelOf[s[0]]);
        }
    }
    uint8_t transparent = 0;
    if (UseTrans)
        for (size_t i = 0; i < table.size(); ++i)
            if (colourOf(table[i]) == TransColor) {
                transparent = static_cast<uint8_t>(i);
                break;
            }

    encode(w, h);

    AtomicFileWriter out(sFileName, "SaveGIF");
    uint8_t head[13 + 768];
    std::memcpy(head, UseTrans ? "GIF89a" : "GIF87a", 6);
    putLe16(head + 6, static_cast<uint32_t>(w));
    putLe16(head + 8, static_cast<uint32_t>(h));
    head[10] = 0xF7;
    head[11] = 0;
    head[12] = 0;
    for (size_t i = 0; i < 256; ++i) {
        head[13 + i * 3] = table[i].red;
        head[14 + i * 3] = table[i].green;
        head[15 + i * 3] = table[i].blue;
    }
    out.write(head, sizeof head);
    if (UseTrans) {
        const uint8_t control[8] = {0x21, 0xF9, 4, 0x09, 0, 0, transparent, 0};
        out.write(control, sizeof control);
    }
    uint8_t descriptor[11] = {0x2C, 0, 0, 0, 0};
    putLe16(descriptor + 5, static_cast<uint32_t>(w));
    putLe16(descriptor + 7, static_cast<uint32_t>(h));
    descriptor[9] = 0x07;
    descriptor[10] = 8;  // LZW minimum code size
    out.write(descriptor, sizeof descriptor);
    for (size_t at = 0; at < data_.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data_.size() - at);
        out.put(static_cast<uint8_t>(n));
        out.write(data_.data() + at, n);
    }
    out.put(0);
    out.put(0x3B);
    out.commit();
    return true;
}

void GIF::encode(int width, int height) {
    if (stamp_.empty()) {
        stamp_.assign(TableKeys, 0);
        code_.assign(TableKeys, 0);
    }
    data_.clear();
    data_.reserve(pixels_.size() * 9 / 8 + static_cast<size_t>(height) * 4 + 8);
    bitBuffer_ = 0;
    bitCount_ = 0;
    auto clearTable = [this] {
        if (++generation_ == 0) {  // stamps wrapped: forget them all
            std::fill(stamp_.begin(), stamp_.end(), 0);
            generation_ = 1;
        }
    };
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &pixels_[static_cast<size_t>(y) * width];
        putCode(ClearCode);
        clearTable();
        int added = 0;
        uint32_t current = row[0];
        for (int x = 1; x < width; ++x) {
            const uint8_t p = row[x];
            const size_t key = current * 256 + p;
            if (stamp_[key] == generation_) {
                current = code_[key];
                continue;
            }
            putCode(current);
            if (added == MaxAdded) {
                putCode(ClearCode);
                clearTable();
                added = 0;
            } else {
                stamp_[key] = generation_;
                code_[key] = static_cast<uint16_t>(FirstCode + added++);
            }
            current = p;
        }
        putCode(current);
        if ((y + 1) % 10 == 0 && Progress) Progress(toInt16((y + 1) * 100.0 / height));
    }
    putCode(EndCode);
    if (bitCount_ > 0) data_.push_back(static_cast<uint8_t>(bitBuffer_));
}

}  // namespace nalo
