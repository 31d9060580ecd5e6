#pragma once
// GIF files made for the splitter tests with giflib, from a plain description.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace nalo::test {

struct TestFrame {
    TestFrame() = default;
    TestFrame(int l, int t, int w, int h) : left(l), top(t), width(w), height(h) {}
    int left = 0, top = 0, width = 0, height = 0;
    int disposal = 0;
    int transparent = -1;  // index, or -1 for none
    int delay = 0;
    bool interlaced = false;
    std::vector<uint8_t> local;    // RGB triplets of a local table (empty: none)
    std::vector<uint8_t> indexes;  // width x height, top row first
};

struct TestGif {
    TestGif(int w, int h, std::vector<uint8_t> table) : width(w), height(h), global(std::move(table)) {}
    int width = 0, height = 0;
    std::vector<uint8_t> global;  // RGB triplets (a power of two of them)
    std::vector<TestFrame> frames;
    bool extensions = false;  // comment, application and plain-text extensions before each frame
};

void writeTestGif(const std::string& path, const TestGif& gif);

// n distinct colours as RGB triplets.
std::vector<uint8_t> testPalette(int n);
// A frame filled with a pattern of indexes below `colours`, seeded by `seed`.
TestFrame patternFrame(int left, int top, int width, int height, int colours, int seed);

}  // namespace nalo::test
