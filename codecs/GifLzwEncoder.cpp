#include "codecs/GifLzwEncoder.h"

#include <emmintrin.h>

#include <algorithm>
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
constexpr int Shift = hashShift();

// The look-up table: 8192 slots, at most 4096 used.
constexpr uint32_t FastSize = 8192;

// How many of the first `limit` bytes at p equal v; bytes up to `readable` may be
// read beyond the limit.
size_t sameBytes(const uint8_t* p, size_t limit, uint8_t v, const uint8_t* readable) {
    size_t r = 0;
    const __m128i want = _mm_set1_epi8(static_cast<char>(v));
    auto differing = [&](size_t at) {
        return static_cast<unsigned>(
            ~_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), want)) &
            0xFFFF);
    };
    for (; r + 16 <= limit; r += 16)
        if (const unsigned d = differing(r)) return r + static_cast<size_t>(__builtin_ctz(d));
    if (r == limit) return r;
    if (p + r + 16 <= readable)  // the bit at the limit stops the count there
        return r + static_cast<size_t>(__builtin_ctz(differing(r) | (1u << (limit - r))));
    while (r < limit && p[r] == v) ++r;
    return r;
}

// Never matches and does not end a probe: the slot of a dropped string (codes
// below the first free one have no key).
constexpr uint16_t Dropped = 1;
// Spreads pixel values over the slot bits.
struct ScatterTable {
    uint32_t v[256];
    constexpr ScatterTable() : v() {
        for (uint32_t c = 0; c < 256; ++c) v[c] = ((c + 1) * 2654435761u) >> 19;
    }
};
constexpr ScatterTable ScatterValues;
constexpr const uint32_t* Scatter = ScatterValues.v;

// One image being compressed: its string table (key = pixel * 4096 + prefix code),
// the code packer and the row cursor. The caller runs the look-up of the next pixel
// itself (lookUp below) and calls miss() only when the first slot does not hold the
// string. The tables are reused from image to image.
class LzwStream {
public:
    LzwStream() {
        std::memset(slots, 0, sizeof slots);
        std::memset(strings, 0xFF, sizeof strings);
    }
    // The strings of the table, looked up: open addressing on prefix ^ scatter(c),
    // each slot a code (0 when empty), whose key is strings[code].
    uint16_t slots[FastSize];
    uint32_t strings[MaxCode];
    // The hash of the strings, kept for where each new string lands: which slots are
    // taken, and the slot of string (0, 0) (-1 when it is not in). A new string
    // entered on that slot drops (0, 0) from the table.
    uint64_t taken[(HashSize + 63) / 64];
    int zeroSlot = -1;
    // The pixels left in the current row, and the code of the string read so far.
    const uint8_t* p = nullptr;
    const uint8_t* rowEnd = nullptr;
    int32_t prefix = 0;

    // Starts an image; false (nothing written) for an empty one.
    bool start(const LzwImage& image, std::vector<uint8_t>& out) {
        out.clear();
        if (image.width <= 0 || image.height <= 0 || !image.pixels) return false;
        out_ = &out;
        image_ = image;
        initWidth_ = image.initialCodeWidth;
        width_ = initWidth_;
        largest_ = (1 << width_) - 1;
        clearCode_ = 1 << (initWidth_ - 1);
        endCode_ = clearCode_ + 1;
        nextFree_ = clearCode_ + 2;
        clearPending_ = false;
        acc_ = 0;
        bits_ = 0;
        rawLength_ = 0;
        pass_ = 0;
        interlaced_ = image.interlace && image.height > 4;
        y_ = 0;
        clear();
        writeCode(clearCode_);
        pixelsEnd_ = image.pixels + static_cast<size_t>(image.height - 1) * static_cast<size_t>(image.stride) +
                     static_cast<size_t>(image.width);
        const uint8_t* row = image.pixels;
        prefix = row[0];
        p = row + 1;
        rowEnd = row + image.width;
        return true;
    }

    // Moves to the next row in coding order; false after the last.
    bool nextRow() {
        if (!interlaced_) {
            if (++y_ >= image_.height) return false;
        } else {
            static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            y_ += step[pass_];
            while (y_ >= image_.height) {
                if (++pass_ == 4) return false;
                y_ = start[pass_];
            }
        }
        p = image_.pixels + static_cast<size_t>(y_) * static_cast<size_t>(image_.stride);
        rowEnd = p + image_.width;
        return true;
    }

    // Slot `at`, the first for pixel c after `prefix`, does not hold that string:
    // probes on, and when the string is new, emits `prefix` and enters the string.
    // Returns the new prefix code; `next` moves on past the pixels a run step takes.
    int32_t miss(int32_t prefix, int32_t c, uint32_t at, const uint8_t*& next) {
        const uint32_t key = (static_cast<uint32_t>(c) << 12) + static_cast<uint32_t>(prefix);
        for (;;) {
            const uint32_t code = slots[at];
            if (code == 0) break;
            if (strings[code] == key) return static_cast<int32_t>(code);
            at = (at + 1) & (FastSize - 1);
        }
        writeCode(prefix);
        if (nextFree_ < MaxCode) {
            int slot = prefix ^ (c << Shift);
            if (isTaken(slot)) {
                // The probe ends at an empty slot or at the slot of (0, 0).
                const int step = slot == 0 ? 1 : HashSize - slot;
                do {
                    slot -= step;
                    if (slot < 0) slot += HashSize;
                } while (isTaken(slot) && slot != zeroSlot);
                if (slot == zeroSlot) {
                    zeroSlot = -1;
                    slots[zeroAt_] = Dropped;
                    runLength_[0] = 0;  // (0, 0) is the first run string of 0
                }
            }
            taken[slot >> 6] |= uint64_t(1) << (slot & 63);
            if (key == 0) {
                zeroSlot = slot;
                zeroAt_ = at;
            }
            strings[nextFree_] = key;
            slots[at] = static_cast<uint16_t>(nextFree_);
            // c after the longest run of c's is the next run.
            std::vector<uint16_t>& run = runs_[c];
            if (prefix == (runLength_[c] ? run[runLength_[c] - 1] : c)) {
                if (run.size() == runLength_[c]) run.push_back(0);
                run[runLength_[c]++] = static_cast<uint16_t>(nextFree_);
            }
            ++nextFree_;
        } else {
            clear();
            clearPending_ = true;
            nextFree_ = clearCode_ + 2;
            writeCode(clearCode_);
        }
        // The string starts again at c. Further c's follow the run strings c c, c c c...
        // as far as they go, so they are passed in one step.
        const size_t known = runLength_[c];
        if (known == 0) return c;
        const size_t limit = std::min(known, static_cast<size_t>(rowEnd - next));
        const size_t r = sameBytes(next, limit, static_cast<uint8_t>(c), pixelsEnd_);
        if (r == 0) return c;
        next += r;
        return runs_[c][r - 1];
    }

    void finish() {
        writeCode(prefix);
        writeCode(endCode_);
        clear();
    }

private:
    bool isTaken(int slot) const { return (taken[slot >> 6] >> (slot & 63)) & 1; }
    void clear() {
        std::memset(taken, 0, sizeof taken);
        zeroSlot = -1;
        std::memset(slots, 0, sizeof slots);
        std::memset(runLength_, 0, sizeof runLength_);
    }

    // Codes are packed least significant bit first into raw_; the end code closes
    // the last byte and cuts raw_ into sub-blocks of 254 bytes.
    void writeCode(int32_t code) {
        acc_ |= static_cast<uint64_t>(code) << bits_;
        bits_ += width_;
        if (bits_ >= 32) {
            if (rawLength_ + 4 > raw_.size()) raw_.resize(std::max<size_t>(4096, raw_.size() * 2));
            uint8_t* d = raw_.data() + rawLength_;
            d[0] = static_cast<uint8_t>(acc_);
            d[1] = static_cast<uint8_t>(acc_ >> 8);
            d[2] = static_cast<uint8_t>(acc_ >> 16);
            d[3] = static_cast<uint8_t>(acc_ >> 24);
            rawLength_ += 4;
            acc_ >>= 32;
            bits_ -= 32;
        }
        if (nextFree_ > largest_ || clearPending_) {
            if (clearPending_) {
                width_ = initWidth_;
                largest_ = (1 << width_) - 1;
                clearPending_ = false;
            } else {
                ++width_;
                largest_ = width_ == 12 ? MaxCode : (1 << width_) - 1;
            }
        }
        if (code == endCode_) closeBlocks();
    }

    void closeBlocks() {
        for (; bits_ > 0; bits_ -= 8, acc_ >>= 8) {
            if (rawLength_ == raw_.size()) raw_.resize(std::max<size_t>(4096, raw_.size() * 2));
            raw_[rawLength_++] = static_cast<uint8_t>(acc_);
        }
        bits_ = 0;
        acc_ = 0;
        std::vector<uint8_t>& out = *out_;
        out.resize(rawLength_ + (rawLength_ + 253) / 254);
        uint8_t* d = out.data();
        for (size_t at = 0; at < rawLength_; at += 254) {
            const size_t n = std::min<size_t>(254, rawLength_ - at);
            *d++ = static_cast<uint8_t>(n);
            std::memcpy(d, raw_.data() + at, n);
            d += n;
        }
        rawLength_ = 0;
    }

    std::vector<uint8_t>* out_ = nullptr;
    LzwImage image_{};
    const uint8_t* pixelsEnd_ = nullptr;
    int initWidth_ = 9, width_ = 9;
    int32_t largest_ = 0, clearCode_ = 0, endCode_ = 0, nextFree_ = 0;
    bool clearPending_ = false, interlaced_ = false;
    uint64_t acc_ = 0;
    int bits_ = 0, pass_ = 0, y_ = 0;
    std::vector<uint8_t> raw_;
    size_t rawLength_ = 0;
    uint32_t zeroAt_ = 0;
    // The codes of c c, c c c, ... in the table: runs_[c][0..runLength_[c]).
    std::vector<uint16_t> runs_[256];
    size_t runLength_[256] = {};
};

// The look-up of one pixel: the string continues, or miss() decides.
[[gnu::always_inline]] inline void lookUp(LzwStream& s, const uint8_t*& p, int32_t& prefix) {
    const uint32_t c = *p++;
    const uint32_t at = (static_cast<uint32_t>(prefix) ^ Scatter[c]) & (FastSize - 1);
    const uint32_t code = s.slots[at];
    if (s.strings[code] == (c << 12) + static_cast<uint32_t>(prefix)) [[likely]]
        prefix = static_cast<int32_t>(code);
    else
        prefix = s.miss(prefix, static_cast<int32_t>(c), at, p);
}

// Runs one stream to its end.
void runAlone(LzwStream& s) {
    do {
        const uint8_t* p = s.p;
        int32_t prefix = s.prefix;
        while (p != s.rowEnd) lookUp(s, p, prefix);
        s.p = p;
        s.prefix = prefix;
    } while (s.nextRow());
    s.finish();
}

}  // namespace

struct GifLzwCompressor::Tables {
    LzwStream stream;
};

GifLzwCompressor::GifLzwCompressor() : tables_(std::make_unique<Tables>()) {}
GifLzwCompressor::~GifLzwCompressor() = default;

void GifLzwCompressor::compress(const LzwImage& image, std::vector<uint8_t>& out) {
    if (tables_->stream.start(image, out)) runAlone(tables_->stream);
}

void GIFLZWEncodeImages(const LzwImage* images, size_t count, std::vector<uint8_t>* outs) {
    GifLzwCompressor compressor;
    for (size_t i = 0; i < count; ++i) compressor.compress(images[i], outs[i]);
}

void GIFLZWEncodePixels(std::FILE* out, const uint8_t* pixels, int w, int h, int stride,
                        uint8_t initialCodeWidth, bool interlace) {
    const LzwImage image{pixels, w, h, stride, initialCodeWidth, interlace};
    std::vector<uint8_t> bytes;
    GIFLZWEncodeImages(&image, 1, &bytes);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
}

void GIFLZWEncode(std::FILE* out, const GcDIB& dib, uint8_t initialCodeWidth, bool interlace) {
    if (dib.Bpp() != 8) return;
    GIFLZWEncodePixels(out, dib.lpBits(), dib.Width(), dib.Height(), dib.BytesPerScanLine(), initialCodeWidth,
                       interlace);
}

}  // namespace nalo
