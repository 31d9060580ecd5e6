#pragma once
// The TGA run-length code: packets of a header byte and pixels of `p` bytes. A header
// with bit 7 set is a run of (h - 127) copies of one pixel; otherwise (h + 1) raw
// pixels follow. Packets may cross rows when reading; the writer never lets them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nalo {

// Most pixels `size` coded bytes can stand for (a run packet of 1 + p bytes gives 128).
constexpr uint64_t tgaRleCapacity(uint64_t size, int p) { return (size + p) / (1 + p) * 128; }

// Decodes `in` into `out` (pixels of p bytes) until `out` is full or the input ends;
// nothing is written past `out`. Returns the number of bytes written.
size_t decodeTgaRle(std::span<const uint8_t> in, std::span<uint8_t> out, int p);

// Appends one row of `width` 3-byte pixels, encoded, to `out`.
void encodeTgaRleRow(const uint8_t* row, int width, std::vector<uint8_t>& out);

}  // namespace nalo
