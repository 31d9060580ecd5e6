// Row operations on 8-bit indexes against plain loops, at lengths around the vector
// widths so that every tail is run.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/IndexRows.h"

using namespace nalo;

TEST(IndexRows, AgreeWithPlainLoops) {
    std::mt19937 rng(7);
    for (int n : {0, 1, 15, 16, 17, 63, 64, 65, 130, 200}) {
        SCOPED_TRACE(n);
        std::vector<uint8_t> a(static_cast<size_t>(n));
        for (auto& v : a) v = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : 200);  // runs and strays
        std::array<bool, 256> used{}, want{};
        markUsedIndexes(a.data(), a.size(), used);
        for (uint8_t v : a) want[v] = true;
        EXPECT_EQ(used, want);

        std::array<uint8_t, 256> table;
        for (auto& t : table) t = static_cast<uint8_t>(rng());
        std::vector<uint8_t> mapped = a;
        remapIndexes(mapped.data(), mapped.size(), table);
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(mapped[i], table[a[i]]) << i;

        for (int at : {0, n / 3, n - 1}) {
            if (n == 0) break;
            std::vector<uint8_t> b = a;
            EXPECT_EQ(firstMismatch(a.data(), b.data(), n), -1);
            EXPECT_EQ(lastMismatch(a.data(), b.data(), n), -1);
            b[static_cast<size_t>(at)] ^= 1;
            b[static_cast<size_t>(n - 1 - at)] ^= 2;
            EXPECT_EQ(firstMismatch(a.data(), b.data(), n), std::min(at, n - 1 - at));
            EXPECT_EQ(lastMismatch(a.data(), b.data(), n), std::max(at, n - 1 - at));
        }
    }
}
