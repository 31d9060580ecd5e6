// The LZW encoder's exact bytes: fixed pictures against the sizes and hashes of the
// bytes the encoder has always written for them (GIF files made by earlier versions
// must stay byte for byte the same), one picture at a time and all in one batch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "codecs/GifLzwEncoder.h"

using namespace nalo;

namespace {

struct Case {
    int width, height, stride, codeSize;
    bool interlace;
    int zeroPercent;  // chance of a 0 pixel
    size_t bytes;
    uint64_t hash;
};

// A fixed pseudo-random picture below 2^codeSize.
std::vector<uint8_t> casePixels(const Case& c) {
    std::vector<uint8_t> px(static_cast<size_t>(c.stride) * static_cast<size_t>(c.height));
    uint32_t s = 12345u + static_cast<uint32_t>(c.width * 31 + c.codeSize);
    for (uint8_t& v : px) {
        s = s * 1664525u + 1013904223u;
        const uint32_t r = s >> 8;
        v = (r % 100) < static_cast<uint32_t>(c.zeroPercent) ? 0
                                                               : static_cast<uint8_t>((r >> 8) % (1u << c.codeSize));
    }
    if (c.zeroPercent == 95) {
        // (16, 1) takes hash slot 0, so (0, 0) lands further on, where the probe of
        // (21, 157) ends: that string replaces (0, 0), which is then new again.
        static const uint8_t lead[] = {16, 1, 0, 0, 5, 156, 21, 157, 0, 0, 0, 0};
        std::copy(std::begin(lead), std::end(lead), px.begin());
    }
    return px;
}

uint64_t fnv1a(const std::vector<uint8_t>& b) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t v : b) h = (h ^ v) * 1099511628211ull;
    return h;
}

const Case kCases[] = {
    {640, 120, 640, 8, false, 0, 105456, 0x7f4f7ecc0f484faeull},  // many table clears
    {333, 97, 336, 8, true, 0, 44278, 0x973c2207cb39b2bcull},     // interlaced, padded rows
    {500, 200, 500, 8, false, 85, 31671, 0xde61853827af4345ull},  // runs of 0: string (0, 0) entered, dropped
    {257, 50, 260, 2, false, 30, 3483, 0x7a2fe6ca1c008bf4ull},    // smallest code size
    {64, 300, 64, 4, true, 50, 8313, 0xbb1908e343f17ae8ull},
    {1, 1, 4, 8, false, 0, 5, 0x3a6f816f0e4ab268ull},
    {1000, 3, 1000, 1, false, 60, 376, 0xb093fcaafbf400bdull},
    {200, 20, 200, 8, false, 95, 610, 0xca0f0350404ea520ull},
};

}  // namespace

TEST(LzwBytes, SameBytesAloneAndInOneBatch) {
    std::vector<std::vector<uint8_t>> pixels;
    std::vector<LzwImage> images;
    for (const Case& c : kCases) {
        pixels.push_back(casePixels(c));
        images.push_back({pixels.back().data(), c.width, c.height, c.stride, static_cast<uint8_t>(c.codeSize + 1),
                          c.interlace});
    }
    // The batch also holds an empty picture, which gives no bytes.
    images.insert(images.begin() + 2, LzwImage{nullptr, 0, 0, 0, 9, false});
    std::vector<std::vector<uint8_t>> batch(images.size());
    GIFLZWEncodeImages(images.data(), images.size(), batch.data());
    EXPECT_TRUE(batch[2].empty());
    batch.erase(batch.begin() + 2);
    images.erase(images.begin() + 2);

    for (size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.width << "x" << c.height);
        char* buf = nullptr;
        size_t size = 0;
        std::FILE* mem = ::open_memstream(&buf, &size);
        GIFLZWEncodePixels(mem, pixels[i].data(), c.width, c.height, c.stride, static_cast<uint8_t>(c.codeSize + 1),
                           c.interlace);
        std::fclose(mem);
        const std::vector<uint8_t> alone(buf, buf + size);
        std::free(buf);
        EXPECT_EQ(alone.size(), c.bytes);
        EXPECT_EQ(fnv1a(alone), c.hash);
        EXPECT_EQ(batch[i], alone);
    }
}
