#pragma once
// The block walk of the GIF splitter: the logical screen and, per frame, its graphic
// control settings, image descriptor and the span of its bytes in the file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nalo {

struct GifScreenInfo {
    uint16_t width = 0, height = 0;
    bool globalTable = false;
    uint8_t colourResolution = 0;
    bool sorted = false;
    uint8_t tableSize = 0;  // the global table holds 2^(tableSize + 1) entries
    uint8_t background = 0, aspect = 0;
    size_t frameZeroStart = 0;  // first byte after the header, screen descriptor and global table
    bool cutShort = false;      // the file ends inside a block: the frames before it are whole
};

struct GifFrameInfo {
    uint16_t left = 0, top = 0, width = 0, height = 0;
    uint8_t packed = 0;
    bool localTable = false, interlaced = false, sorted = false;
    uint8_t localSize = 0;
    uint16_t delay = 0;  // hundredths of a second
    uint8_t transparentIndex = 0;
    uint8_t disposal = 0;  // 0..7
    bool userInput = false, transparent = false;
    uint8_t lzwMinCodeSize = 0;
    size_t start = 0, end = 0;  // the frame's bytes: [start, end) of the file
    bool cutShort = false;      // its data ends with the file, before their terminator
};

// Walks the blocks: graphic control read, application / comment / plain-text
// extensions skipped with their sub-blocks, any other byte passed over one at a time,
// image descriptor with its local table, minimum code size and data sub-blocks.
// A trailer or the end of the file ends the walk; a frame cut short inside its
// descriptor or local table is dropped, one cut short in its data ends at the end of
// the file and is marked. Either, or an extension cut short, marks the screen. False when the file is no GIF: signature other than "GIF8", header or
// global table cut short, or a minimum code size above 11 (codes wider than 12 bits).
bool WalkGifBlocks(std::span<const uint8_t> file, GifScreenInfo& screen, std::vector<GifFrameInfo>& frames);

}  // namespace nalo
