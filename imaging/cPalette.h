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
    // ClosestIndex for components 0 .. 255 (at most 65535 entries), for tight loops.
    inline int32_t ClosestInRange(int Red, int Green, int Blue) const;
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

    // An entry that can be nearest to some colour of an 8 x 8 x 8 colour cell, with its
    // least distance to the cell; a cell's candidates are sorted by that distance.
    struct Candidate {
        uint8_t r, g, b, unused;
        uint16_t index;  // entry number, from 1
        uint16_t dmin;
    };
    struct Cell {
        int32_t start = -1;  // first candidate in cellList_; -1 until built
        uint32_t len = 0;
    };
    void buildCell(uint32_t cell) const;
    mutable std::vector<Cell> cells_;
    mutable std::vector<Candidate> cellList_;

    std::vector<Node> nodes_;  // index 0 unused; node 1 is the root
    int32_t nodeCount_ = 0, freeHead_ = 0, leafCount_ = 0;
    uint8_t levels_ = 0;
    int32_t reducible_[8] = {};
};

// Candidates in order of least distance: the search stops at the first one that cannot
// beat the best so far. Distance and entry packed in one key make the lowest entry win
// ties; a key of 765 << 16 or more is no answer (0).
int32_t cPalette::ClosestInRange(int Red, int Green, int Blue) const {
    const uint32_t cell = (uint32_t(Red >> 3) << 10) | (uint32_t(Green >> 3) << 5) | uint32_t(Blue >> 3);
    if (cells_.empty() || cells_[cell].start < 0) buildCell(cell);
    const Cell& ref = cells_[cell];
    const Candidate* c = cellList_.data() + ref.start;
    const Candidate* end = c + ref.len;
    uint32_t best = 765u << 16;
    for (; c != end && uint32_t(c->dmin) <= (best >> 16); ++c) {
        const int d = std::abs(Red - c->r) + std::abs(Green - c->g) + std::abs(Blue - c->b);
        const uint32_t key = (uint32_t(d) << 16) | c->index;
        best = key < best ? key : best;
    }
    return best >= (765u << 16) ? 0 : int32_t(best & 0xFFFF);
}

}  // namespace nalo
