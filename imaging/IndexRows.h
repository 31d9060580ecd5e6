#pragma once
// Whole-row operations on 8-bit colour indexes, with vector instructions where the
// processor has them.
#include <array>
#include <cstddef>
#include <cstdint>

namespace nalo {

// Sets used[v] for every value v among the n bytes.
void markUsedIndexes(const uint8_t* row, size_t n, std::array<bool, 256>& used);
// Replaces each of the n bytes v by table[v].
void remapIndexes(uint8_t* row, size_t n, const std::array<uint8_t, 256>& table);
// Position of the first (last) byte where a and b differ, or -1 when they agree.
ptrdiff_t firstMismatch(const uint8_t* a, const uint8_t* b, ptrdiff_t n);
ptrdiff_t lastMismatch(const uint8_t* a, const uint8_t* b, ptrdiff_t n);

}  // namespace nalo
