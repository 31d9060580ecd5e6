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
    // can be nearest to a colour in it, sorted by their least distance to the cell.
    struct Candidate {
        uint8_t r, g, b, unused;
        uint16_t index;  // entry number, from 1
        uint16_t dmin;
    };
    struct Cell {
        static constexpr uint32_t Unbuilt = UINT32_MAX;
        uint32_t start = Unbuilt;  // first candidate
        uint16_t len = 0;
        uint16_t single = 0;  // the answer for every colour of the cell, when there is one
    };
    struct SearchTables {
        const Cell* cells;
        const Candidate* list;
    };
    bool FastSearchApplies() const { return Count() <= 65535; }
    SearchTables Tables() const;
    // Builds the cell; the tables may move.
    SearchTables BuildCell(uint32_t cell) const;
    static uint32_t CellOf(int r, int g, int b) {
        return (uint32_t(r >> 3) << 10) | (uint32_t(g >> 3) << 5) | uint32_t(b >> 3);
    }
    // The search stops at the first candidate that cannot beat the best so far. Distance
    // and entry packed in one key make the lowest entry win ties; a key of 765 << 16 or
    // more is no answer (0).
    static int32_t Search(const Cell& cell, const Candidate* list, int r, int g, int b) {
        if (cell.single) return cell.single;
        const Candidate* c = list + cell.start;
        const Candidate* end = c + cell.len;
        uint32_t best = 765u << 16;
        for (; c != end && uint32_t(c->dmin) <= (best >> 16); ++c) {
            const int d = std::abs(r - c->r) + std::abs(g - c->g) + std::abs(b - c->b);
            const uint32_t key = (uint32_t(d) << 16) | c->index;
            best = key < best ? key : best;
        }
        return best >= (765u << 16) ? 0 : int32_t(best & 0xFFFF);
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

    mutable std::vector<Cell> cells_;
    mutable std::vector<Candidate> cellList_;

    std::vector<Node> nodes_;  // index 0 unused; node 1 is the root
    int32_t nodeCount_ = 0, freeHead_ = 0, leafCount_ = 0;
    uint8_t levels_ = 0;
    int32_t reducible_[8] = {};
};

}  // namespace nalo
