#pragma once
// The PCX run-length code: a byte of 0xC0 or above is a count (its low six bits)
// of copies of the byte that follows; any other byte is itself.
#include <cstddef>
#include <cstdint>
#include <span>

namespace nalo {

// Most bytes `size` coded bytes can stand for (a 2-byte run gives 63).
constexpr uint64_t pcxRleCapacity(uint64_t size) { return size / 2 * 63 + size % 2; }

// Decodes `in` as one stream into `out` until `out` is full or `in` ends (runs may
// cross rows and planes). Returns the number of bytes written.
size_t decodePcxRle(std::span<const uint8_t> in, std::span<uint8_t> out);

// Decodes a stream given in pieces into outputs given in pieces: a run cut by the end
// of an output goes on in the next, a count byte at the end of a piece takes its value
// from the next.
class PcxRleDecoder {
public:
    // Decodes from `in` into `out` until `out` is full or `in` is used up. Returns the
    // bytes written; `used` gets the bytes of `in` taken.
    size_t decode(std::span<const uint8_t> in, std::span<uint8_t> out, size_t& used);

private:
    unsigned runLeft_ = 0;   // copies of runValue_ still to write
    uint8_t runValue_ = 0;
    bool countWaiting_ = false;  // runLeft_ waits for its value byte
};

// Encodes a stream given in pieces: equal bytes in runs of 2..63 (0xC0 + count, byte),
// a single byte below 0xC0 as itself, a single byte of 0xC0 or above as 0xC1, byte.
// Runs carry across pieces; finish() writes the last one.
class PcxRleEncoder {
public:
    template <class Sink>
    void push(const uint8_t* p, size_t n, Sink& out) {
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = p[i];
            if (count_ != 0 && b == value_ && count_ < 63) {
                ++count_;
            } else {
                emit(out);
                value_ = b;
                count_ = 1;
            }
        }
    }
    template <class Sink>
    void finish(Sink& out) {
        emit(out);
        count_ = 0;
    }

private:
    template <class Sink>
    void emit(Sink& out) {
        if (count_ == 0) return;
        if (count_ > 1 || value_ >= 0xC0) out.put(static_cast<uint8_t>(0xC0 + count_));
        out.put(value_);
    }
    uint8_t value_ = 0;
    unsigned count_ = 0;
};

}  // namespace nalo
