#include "codecs/GifLzwEncoder.h"

#include <cstring>
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

// The encoder's state; one encoding at a time.
struct LzwState {
    std::FILE* out = nullptr;
    int initWidth = 0, width = 0;
    int32_t largest = 0, clearCode = 0, endCode = 0, nextFree = 0;
    bool clearPending = false;
    uint32_t acc = 0;
    int bits = 0;
    uint8_t packet[256];
    int count = 0;
    int32_t keys[HashSize];
    int32_t codes[HashSize];

    void flush() {
        if (count == 0) return;
        packet[0] = static_cast<uint8_t>(count);
        std::fwrite(packet, 1, static_cast<size_t>(count) + 1, out);
        count = 0;
    }
    void putByte(uint8_t b) {
        packet[++count] = b;
        if (count == 254) flush();
    }
    void clearHash() { std::memset(keys, 0xFF, sizeof keys); }

    void writeCode(int32_t code) {
        acc = bits > 0 ? (acc & ((1u << bits) - 1)) | (static_cast<uint32_t>(code) << bits)
                       : static_cast<uint32_t>(code);
        bits += width;
        while (bits >= 8) {
            putByte(static_cast<uint8_t>(acc));
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
                putByte(static_cast<uint8_t>(acc));
                acc >>= 8;
                bits -= 8;
            }
            flush();
        }
    }
};

}  // namespace

void GIFLZWEncodePixels(std::FILE* out, const uint8_t* pixels, int w, int h, int stride,
                        uint8_t initialCodeWidth, bool interlace) {
    if (w <= 0 || h <= 0 || !pixels) return;
    LzwState s;
    s.out = out;
    s.initWidth = s.width = initialCodeWidth;
    s.largest = (1 << s.width) - 1;
    s.clearCode = 1 << (initialCodeWidth - 1);
    s.endCode = s.clearCode + 1;
    s.nextFree = s.clearCode + 2;
    s.clearPending = false;
    s.acc = 0;
    s.bits = 0;
    s.count = 0;

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
    s.clearHash();
    s.writeCode(s.clearCode);

    int32_t* const keys = s.keys;
    int32_t* const codes = s.codes;
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
                const int step = slot == 0 ? 1 : HashSize - slot;
                bool found = false;
                for (;;) {
                    slot -= step;
                    if (slot < 0) slot += HashSize;
                    k = keys[slot];
                    if (k == key) {
                        found = true;
                        break;
                    }
                    if (k <= 0) break;
                }
                if (found) {
                    prefix = codes[slot];
                    continue;
                }
            }
            s.writeCode(prefix);
            if (s.nextFree < MaxCode) {
                keys[slot] = key;
                codes[slot] = s.nextFree++;
            } else {
                s.clearHash();
                s.clearPending = true;
                s.nextFree = s.clearCode + 2;
                s.writeCode(s.clearCode);
            }
            prefix = c;
        }
        x0 = 0;
    }
    s.writeCode(prefix);
    s.writeCode(s.endCode);
}

void GIFLZWEncode(std::FILE* out, const GcDIB& dib, uint8_t initialCodeWidth, bool interlace) {
    if (dib.Bpp() != 8) return;
    GIFLZWEncodePixels(out, dib.lpBits(), dib.Width(), dib.Height(), dib.BytesPerScanLine(), initialCodeWidth,
                       interlace);
}

}  // namespace nalo
