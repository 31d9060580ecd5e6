#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/PictureMemory.h"

using namespace nalo;

// Blocks of every kind stay apart while live, and released blocks come back in use,
// zero-filled like new ones.
TEST(PictureMemory, LiveBlocksNeverOverlapAndReleasedOnesAreReused) {
    struct Block {
        uint8_t* p;
        size_t bytes;
        uint8_t mark;
    };
    const size_t sizes[] = {100, 38400, 70000, 300000, 307200, 1 << 20, 3 << 20, 9 << 20, 64 << 10};
    std::vector<Block> live;
    uint8_t mark = 1;
    // Enough middle-sized blocks to fill more than one shared region.
    for (int round = 0; round < 3; ++round)
        for (size_t bytes : sizes) {
            auto* p = static_cast<uint8_t*>(allocatePictureMemory(bytes));
            ASSERT_NE(p, nullptr);
            ASSERT_EQ(p[0] | p[bytes / 2] | p[bytes - 1], 0);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
            std::memset(p, mark, bytes);
            live.push_back({p, bytes, mark++});
        }
    for (int i = 0; i < 40; ++i) {
        auto* p = static_cast<uint8_t*>(allocatePictureMemory(1 << 20));
        std::memset(p, mark, 1 << 20);
        live.push_back({p, size_t(1) << 20, mark++});
    }
    auto intact = [](const Block& b) {
        for (size_t i = 0; i < b.bytes; i += 997)
            if (b.p[i] != b.mark) return false;
        return b.p[b.bytes - 1] == b.mark;
    };
    for (const Block& b : live) ASSERT_TRUE(intact(b)) << b.bytes;

    // Every other block goes; new ones of the same sizes take their place.
    std::vector<Block> kept;
    for (size_t i = 0; i < live.size(); ++i) {
        if (i % 2) {
            releasePictureMemory(live[i].p, live[i].bytes);
            auto* p = static_cast<uint8_t*>(allocatePictureMemory(live[i].bytes));
            for (size_t k = 0; k < live[i].bytes; k += 511) ASSERT_EQ(p[k], 0) << live[i].bytes;
            std::memset(p, mark, live[i].bytes);
            kept.push_back({p, live[i].bytes, mark++});
        } else {
            kept.push_back(live[i]);
        }
    }
    for (const Block& b : kept) ASSERT_TRUE(intact(b)) << b.bytes;
    for (const Block& b : kept) releasePictureMemory(b.p, b.bytes);

    // With every block given back, buffers work as any other: zero-filled, deep copies.
    PictureBuffer a(640 * 480);
    EXPECT_EQ(a.data()[640 * 480 - 1], 0);
    a.data()[5] = 7;
    PictureBuffer b = a;
    a.data()[5] = 8;
    EXPECT_EQ(b.data()[5], 7);
    b.shrink(10);
    EXPECT_EQ(b.size(), 10u);
    b = std::move(a);
    EXPECT_EQ(b.data()[5], 8);
    EXPECT_EQ(b.size(), 640u * 480u);
}
