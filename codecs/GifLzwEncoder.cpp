#include "codecs/GifLzwEncoder.h"

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/GcDIB.h"

namespace nalo {

namespace {

constexpr int HashSize = 5003;
constexpr int32_t MaxCode = 4096;

// Hash shift: doubling 5003 until it reaches 65536 takes 4 steps, so 8 - 4.
constexpr int hashShift() {
    int counter = 0;
    for (int32_t v = HashSize; v < 65536; v *= 2) ++counter;
    return 8 - counter;
}

// Hash of the strings seen: key = pixel * 4096 + prefix code, -1 marks an empty slot.
struct HashTable {
    int32_t keys[HashSize];
    int32_t codes[HashSize];
    void clear() { std::memset(keys, 0xFF, sizeof keys); }
};

}  // namespace

void GIFLZWEncodePixels(std::FILE* out, const uint8_t* pixels, int w, int h, int stride,
                        uint8_t initialCodeWidth, bool interlace) {
    if (w <= 0 || h <= 0 || !pixels) return;
    const int initWidth = initialCodeWidth;
    int width = initWidth;
    int32_t largest = (1 << width) - 1;
    const int32_t clearCode = 1 << (initWidth - 1);
    const int32_t endCode = clearCode + 1;
    int32_t nextFree = clearCode + 2;
    bool clearPending = false;
    uint32_t acc = 0;
    int bits = 0;
    uint8_t packet[256];
    int count = 0;

    auto flush = [&] {
        if (count == 0) return;
        packet[0] = static_cast<uint8_t>(count);
        std::fwrite(packet, 1, static_cast<size_t>(count) + 1, out);
        count = 0;
    };
    auto putByte = [&](uint32_t b) {
        packet[++count] = static_cast<uint8_t>(b);
        if (count == 254) flush();
    };
    auto writeCode = [&](int32_t code) {
        acc = bits > 0 ? (acc & ((1u << bits) - 1)) | (static_cast<uint32_t>(code) << bits)
                       : static_cast<uint32_t>(code);
        bits += width;
        while (bits >= 8) {
            putByte(acc);
            acc >>= 8;
            bits -= 8;
        }
        if (nextFree > largest || clearPending) {
            if (clearPending) {
                width = initWidth;
                largest = (1 << width) - 1;
                clearPending = false;
            } else {
                ++width;
                largest = width == 12 ? MaxCode : (1 << width) - 1;
            }
        }
        if (code == endCode) {
            while (bits > 0) {
                putByte(acc);
                acc >>= 8;
                bits -= 8;
            }
            flush();
        }
    };

    // Row order: top to bottom, or the four interlace passes above 4 rows.
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(h));
    if (interlace && h > 4) {
        static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < h; y += step[p]) rows.push_back(y);
    } else {
        for (int y = 0; y < h; ++y) rows.push_back(y);
    }

    constexpr int shift = hashShift();
    auto table = std::make_unique<HashTable>();
    int32_t* const keys = table->keys;
    int32_t* const codes = table->codes;
    table->clear();
    writeCode(clearCode);

    int32_t prefix = pixels[static_cast<size_t>(rows[0]) * stride];
    int x0 = 1;
    for (int y : rows) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = x0; x < w; ++x) {
            const int32_t c = row[x];
            const int32_t key = (c << 12) + prefix;
            int slot = prefix ^ (c << shift);
            int32_t k = keys[slot];
            if (k == key) {
                prefix = codes[slot];
                continue;
            }
            if (k >= 0) {
                // Probe; a stored key of 0 ends the search like an empty slot.
                const int step = slot == 0 ? 1 : HashSize - slot;
                do {
                    slot -= step;
                    if (slot < 0) slot += HashSize;
                    k = keys[slot];
                } while (k != key && k > 0);
                if (k == key) {
                    prefix = codes[slot];
                    continue;
                }
            }
            writeCode(prefix);
            if (nextFree < MaxCode) {
                keys[slot] = key;
                codes[slot] = nextFree++;
            } else {
                table->clear();
                clearPending = true;
                nextFree = clearCode + 2;
                writeCode(clearCode);
            }
            prefix = c;
        }
        x0 = 0;
    }
    writeCode(prefix);
    writeCode(endCode);
}

void GIFLZWEncode(std::FILE* out, const GcDIB& dib, uint8_t initialCodeWidth, bool interlace) {
    if (dib.Bpp() != 8) return;
    GIFLZWEncodePixels(out, dib.lpBits(), dib.Width(), dib.Height(), dib.BytesPerScanLine(), initialCodeWidth,
                       interlace);
}

}  // namespace nalo
