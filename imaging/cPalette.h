#pragma once
// An ordered list of colours (entries numbered from 1): the fixed palettes, the
// octree-built optimal palette and the nearest-entry search.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "imaging/DepthEvents.h"

namespace nalo {

class cDIBSection;

class cPalette {
public:
    // Entry nearest to the colour by summed absolute difference; ties to the lowest
    // entry; 0 when no entry is nearer than 765.
    int32_t ClosestIndex(int Red, int Green, int Blue) const;
    void Add(int Red, int Green, int Blue);
    int32_t Count() const { return int32_t(red_.size()); }
    // iIndex 1 .. Count, else error 9.
    uint8_t Red(int64_t iIndex) const { return red_[check(iIndex)]; }
    uint8_t Green(int64_t iIndex) const { return green_[check(iIndex)]; }
    uint8_t Blue(int64_t iIndex) const { return blue_[check(iIndex)]; }
    // The components of entries 1 .. Count at [0] .. [Count - 1], for tight loops.
    const uint8_t* RedData() const { return red_.data(); }
    const uint8_t* GreenData() const { return green_.data(); }
    const uint8_t* BlueData() const { return blue_.data(); }

    // The search behind ClosestIndex, for tight loops over components 0 .. 255 with at
    // most 65535 entries. Per 8 x 8 x 8 colour cell, built on first use, the entries that
    // can be nearest to some colour in it ("candidates"), in entry order, eight to a block.
    struct CandidateBlock {
        uint8_t r[8], g[8], b[8];
        uint16_t index[8];   // entry numbers from 1, rising; 0 in unused lanes
        uint32_t moreStart;  // further blocks of a cell with more than eight candidates
        uint32_t moreCount;
    };
    enum : uint8_t { CellUnbuilt = 0, CellOneBlock = 1, CellMoreBlocks = 2 };
    struct SearchTables {
        const uint8_t* state;  // per cell
        const CandidateBlock* blocks;  // cell c's first block at [c]
    };
    bool FastSearchApplies() const { return Count() <= 65535; }
    SearchTables Tables() const;
    // Builds the cell; the tables may move.
    SearchTables BuildCell(uint32_t cell) const;
    static uint32_t CellOf(int r, int g, int b) {
        return (uint32_t(r >> 3) << 10) | (uint32_t(g >> 3) << 5) | uint32_t(b >> 3);
    }
    // Nearest candidate of a built cell: strictly nearer wins, so in entry order the lowest
    // entry wins ties; nothing at 765 or beyond counts (0).
    static int32_t SearchCell(const SearchTables& t, uint32_t cell, int r, int g, int b) {
        const CandidateBlock* blk = &t.blocks[cell];
        uint32_t n = 1;
        if (t.state[cell] == CellMoreBlocks) n += blk->moreCount;
        int best = 765;
        int32_t idx = 0;
        for (uint32_t k = 0; k < n; ++k) {
            for (int lane = 0; lane < 8 && blk->index[lane] != 0; ++lane) {
                const int d = std::abs(r - blk->r[lane]) + std::abs(g - blk->g[lane]) + std::abs(b - blk->b[lane]);
                if (d < best) {
                    best = d;
                    idx = blk->index[lane];
                }
            }
            blk = &t.blocks[t.blocks[cell].moreStart + k];
        }
        return idx;
    }

    void CreateWebSafe();
    void CreateHalfTone();
    void Create16Colour();
    // Octree quantization of the picture. When a reduction finds nothing to reduce,
    // askContinue is asked ("Error in reducing nodes"); false cancels and the result
    // is false (the palette is then left empty).
    bool CreateOptimal(const cDIBSection& cDIB, int32_t PalSize, uint8_t nLevels,
                       const std::function<bool()>& askContinue = {});
    void Clear();

    DepthEvents events;

private:
    struct Node {
        int16_t isLeaf = 0, isListed = 0;
        int64_t redSum = 0, greenSum = 0, blueSum = 0;
        int32_t pixelCount = 0;
        int32_t children[8] = {};
        int32_t next = 0;
    };

    size_t check(int64_t i) const;
    void resetFixed(int32_t count);
    void set(int32_t index, int r, int g, int b);
    void darkRun(int32_t s);
    void brightRun(int32_t s);
    int32_t searchNearest(int r, int g, int b) const;
    void invalidate() const;
    int32_t newNode();
    void releaseNode(int32_t n);
    bool reduceOnce();

    std::vector<uint8_t> red_, green_, blue_;

    mutable std::vector<uint8_t> cellState_;
    mutable std::vector<CandidateBlock> blocks_;
    mutable std::vector<uint16_t> channelLower_, channelUpper_;  // [channel][cell coordinate][entry]
    mutable std::vector<uint16_t> lower_, upper_;  // one cell's distances, per entry

    std::vector<Node> nodes_;  // index 0 unused; node 1 is the root
    int32_t nodeCount_ = 0, freeHead_ = 0, leafCount_ = 0;
    uint8_t levels_ = 0;
    int32_t reducible_[8] = {};
};

}  // namespace nalo
