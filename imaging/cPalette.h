#pragma once
// An ordered list of colours (entries numbered from 1): the fixed palettes, the
// octree-built optimal palette and the nearest-entry search.
#include <cstdint>
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

    // Per 8 x 8 x 8 colour cell, the entries that can be nearest to a colour in it.
    const uint16_t* cellCandidates(uint32_t cell, uint32_t& n) const;
    mutable std::vector<int32_t> cellStart_, cellLen_;
    mutable std::vector<uint16_t> cellList_;

    std::vector<Node> nodes_;  // index 0 unused; node 1 is the root
    int32_t nodeCount_ = 0, freeHead_ = 0, leafCount_ = 0;
    uint8_t levels_ = 0;
    int32_t reducible_[8] = {};
};

}  // namespace nalo
