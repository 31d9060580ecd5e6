#include "imaging/cPalette.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/cDIBSection.h"
#include "shell/Rounding.h"

namespace nalo {

size_t cPalette::check(int64_t i) const {
    if (i < 1 || i > Count()) throw RuntimeError(err::SubscriptOutOfRange, "cPalette", "Subscript out of range");
    return size_t(i - 1);
}

void cPalette::invalidate() const {
    cellState_.clear();
    blocks_.clear();
    channelLower_.clear();
    channelUpper_.clear();
}

// An entry is a candidate when its least distance to the cell does not exceed the
// smallest greatest distance of any entry: every nearest entry of every colour in the
// cell is then among the candidates.
cPalette::SearchTables cPalette::Tables() const {
    if (cellState_.empty()) {
        cellState_.assign(32768, CellUnbuilt);
        blocks_.resize(32768);
    }
    return {cellState_.data(), blocks_.data()};
}

cPalette::SearchTables cPalette::BuildCell(uint32_t cell) const {
    Tables();
    const int32_t count = Count();
    const uint32_t q[3] = {cell >> 10, (cell >> 5) & 31, cell & 31};
    // Per channel, cell coordinate and entry: the least and greatest distance along that
    // channel. An entry's distances to the cell are the sums over the channels.
    if (channelLower_.empty() && count > 0 && count <= 4096) {
        channelLower_.resize(size_t(3) * 32 * size_t(count));
        channelUpper_.resize(channelLower_.size());
        const uint8_t* comp[3] = {red_.data(), green_.data(), blue_.data()};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 32; ++k)
                for (int32_t i = 0; i < count; ++i) {
                    const int v = comp[c][i], a = k << 3, b = a + 7;
                    const size_t at = (size_t(c) * 32 + size_t(k)) * size_t(count) + size_t(i);
                    channelLower_[at] = uint16_t(v < a ? a - v : (v > b ? v - b : 0));
                    channelUpper_[at] = uint16_t(std::max(std::abs(v - a), std::abs(v - b)));
                }
    }
    lower_.resize(size_t(count));
    upper_.resize(size_t(count));
    uint16_t* lower = lower_.data();
    uint16_t* upper = upper_.data();
    if (!channelLower_.empty()) {
        const size_t n = size_t(count);
        const uint16_t* lr = &channelLower_[q[0] * n];
        const uint16_t* lg = &channelLower_[(32 + q[1]) * n];
        const uint16_t* lb = &channelLower_[(64 + q[2]) * n];
        const uint16_t* ur = &channelUpper_[q[0] * n];
        const uint16_t* ug = &channelUpper_[(32 + q[1]) * n];
        const uint16_t* ub = &channelUpper_[(64 + q[2]) * n];
        for (size_t i = 0; i < n; ++i) {
            lower[i] = uint16_t(lr[i] + lg[i] + lb[i]);
            upper[i] = uint16_t(ur[i] + ug[i] + ub[i]);
        }
    } else {
        for (int32_t i = 0; i < count; ++i) {
            const int v[3] = {red_[size_t(i)], green_[size_t(i)], blue_[size_t(i)]};
            int lo = 0, hi = 0;
            for (int c = 0; c < 3; ++c) {
                const int a = int(q[c]) << 3, b = a + 7;
                lo += v[c] < a ? a - v[c] : (v[c] > b ? v[c] - b : 0);
                hi += std::max(std::abs(v[c] - a), std::abs(v[c] - b));
            }
            lower[i] = uint16_t(lo);
            upper[i] = uint16_t(hi);
        }
    }
    int bound = 1 << 30;
    for (int32_t i = 0; i < count; ++i) bound = std::min(bound, int(upper[i]));
    CandidateBlock block{};
    int lane = 0;
    uint32_t blocksDone = 0;
    const uint32_t moreStart = uint32_t(blocks_.size());
    auto flush = [&] {
        if (blocksDone == 0) blocks_[cell] = block;
        else blocks_.push_back(block);
        ++blocksDone;
        block = CandidateBlock{};
        lane = 0;
    };
    for (int32_t i = 0; i < count; ++i) {
        if (lower[i] > bound) continue;
        if (lane == 8) flush();
        block.r[lane] = red_[size_t(i)];
        block.g[lane] = green_[size_t(i)];
        block.b[lane] = blue_[size_t(i)];
        block.index[lane] = uint16_t(i + 1);
        ++lane;
    }
    flush();
    blocks_[cell].moreStart = moreStart;
    blocks_[cell].moreCount = blocksDone - 1;
    cellState_[cell] = blocksDone == 1 ? CellOneBlock : CellMoreBlocks;
    return {cellState_.data(), blocks_.data()};
}

void cPalette::Clear() {
    red_.clear();
    green_.clear();
    blue_.clear();
    invalidate();
}

void cPalette::Add(int Red, int Green, int Blue) {
    checked32(int64_t(Count()) + 1);
    red_.push_back(uint8_t(Red));
    green_.push_back(uint8_t(Green));
    blue_.push_back(uint8_t(Blue));
    invalidate();
}

int32_t cPalette::searchNearest(int r, int g, int b) const {
    int best = 765;
    int32_t bestIndex = 0;
    const int32_t n = Count();
    for (int32_t i = 0; i < n; ++i) {
        const int d = std::abs(r - red_[i]) + std::abs(g - green_[i]) + std::abs(b - blue_[i]);
        if (d < best) {
            best = d;
            bestIndex = i + 1;
            if (d == 0) break;
        }
    }
    return bestIndex;
}

int32_t cPalette::ClosestIndex(int Red, int Green, int Blue) const {
    if (Count() > 65535 || ((Red | Green | Blue) & ~255) != 0) return searchNearest(Red, Green, Blue);
    const uint32_t cell = CellOf(Red, Green, Blue);
    SearchTables t = Tables();
    if (t.state[cell] == CellUnbuilt) t = BuildCell(cell);
    return SearchCell(t, cell, Red, Green, Blue);
}

void cPalette::resetFixed(int32_t count) {
    red_.assign(size_t(count), 0);
    green_.assign(size_t(count), 0);
    blue_.assign(size_t(count), 0);
    invalidate();
}

void cPalette::set(int32_t index, int r, int g, int b) {
    red_[size_t(index - 1)] = uint8_t(r);
    green_[size_t(index - 1)] = uint8_t(g);
    blue_[size_t(index - 1)] = uint8_t(b);
}

void cPalette::darkRun(int32_t s) {
    static constexpr uint8_t run[7][3] = {{128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128},
                                          {128, 0, 128}, {0, 128, 128}, {192, 192, 192}};
    for (int i = 0; i < 7; ++i) set(s + 1 + i, run[i][0], run[i][1], run[i][2]);
}

void cPalette::brightRun(int32_t s) {
    static constexpr uint8_t run[8][3] = {{128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (int i = 0; i < 8; ++i) set(s + i, run[i][0], run[i][1], run[i][2]);
}

void cPalette::Create16Colour() {
    resetFixed(16);
    darkRun(1);
    brightRun(9);
}

void cPalette::CreateWebSafe() {
    resetFixed(256);
    darkRun(1);
    brightRun(248);
    int32_t e = 9;
    for (int b = 0; b <= 255; b += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int r = 0; r <= 255; r += 51) {
                const bool corner = (r == 0 || r == 255) && (g == 0 || g == 255) && (b == 0 || b == 255);
                if (!corner) set(e++, r, g, b);
            }
    for (int i = 0; i < 31; ++i) set(217 + i, 8 * (i + 1), 8 * (i + 1), 8 * (i + 1));
}

void cPalette::CreateHalfTone() {
    static constexpr int levels[5] = {0, 64, 128, 192, 255};
    resetFixed(256);
    int32_t e = 1;
    for (int b : levels)
        for (int g : levels)
            for (int r : levels) set(e++, r, g, b);
}

int32_t cPalette::newNode() {
    nodeCount_ = checked32(int64_t(nodeCount_) + 1);
    int32_t n;
    if (freeHead_ == 0) {
        n = nodeCount_;
        const int64_t upper = int64_t(nodes_.size()) - 1;
        if (n > upper) nodes_.resize(size_t(toInt32(nodeCount_ * 1.1)) + 1);
    } else {
        n = freeHead_;
        freeHead_ = nodes_[size_t(n)].next;
        for (int32_t& c : nodes_[size_t(n)].children) c = 0;
    }
    return n;
}

void cPalette::releaseNode(int32_t n) {
    Node& node = nodes_[size_t(n)];
    node.next = freeHead_;
    freeHead_ = n;
    node.isLeaf = 0;
    node.isListed = 0;
    --nodeCount_;
}

bool cPalette::reduceOnce() {
    int list = int(levels_) - 1;
    if (list > 7) list = 7;
    while (list >= 0 && reducible_[list] == 0) --list;
    if (list < 0) return false;
    const int32_t n = reducible_[list];
    reducible_[list] = nodes_[size_t(n)].next;
    int64_t r = 0, g = 0, b = 0;
    int64_t count = 0;
    for (int slot = 0; slot < 8; ++slot) {
        const int32_t c = nodes_[size_t(n)].children[slot];
        if (c == 0) continue;
        const Node& child = nodes_[size_t(c)];
        r += child.redSum;
        g += child.greenSum;
        b += child.blueSum;
        count += child.pixelCount;
        releaseNode(c);
        --leafCount_;
        nodes_[size_t(n)].children[slot] = 0;
    }
    Node& node = nodes_[size_t(n)];
    node.isLeaf = -1;
    node.redSum = r;
    node.greenSum = g;
    node.blueSum = b;
    node.pixelCount = checked32(count);
    ++leafCount_;
    return true;
}

bool cPalette::CreateOptimal(const cDIBSection& cDIB, int32_t PalSize, uint8_t nLevels,
                             const std::function<bool()>& askContinue) {
    const int64_t start = depthTickMs();
    if (nLevels < 1) nLevels = 1;
    if (nLevels > 8) nLevels = 8;
    levels_ = nLevels;
    nodes_.assign(51, Node{});
    nodeCount_ = 1;
    freeHead_ = 0;
    leafCount_ = 0;
    for (int32_t& l : reducible_) l = 0;
    events.init(checked32(int64_t(cDIB.Height()) - 1 + PalSize));

    // Per component value and level: the channel bit, from the midpoint splits of its box.
    const int depth = nLevels;
    std::vector<uint8_t> bitOf(size_t(256) * size_t(depth + 1), 0);
    for (int v = 0; v < 256; ++v) {
        double lo = 0, hi = 255;
        for (int L = 1; L <= depth; ++L) {
            const double m = roundHalfEven(lo / 2 + hi / 2);
            if (v > m) {
                bitOf[size_t(v) * size_t(depth + 1) + size_t(L)] = 1;
                lo = m;
            } else {
                hi = m;
            }
        }
    }

    const uint8_t* bits = cDIB.DIBSectionBitsPtr();
    const int32_t stride = cDIB.BytesPerScanLine();
    for (int32_t y = 0; y < cDIB.Height(); ++y) {
        const uint8_t* row = bits + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < cDIB.Width(); ++x) {
            const int b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            const uint8_t* rb = &bitOf[size_t(r) * size_t(depth + 1)];
            const uint8_t* gb = &bitOf[size_t(g) * size_t(depth + 1)];
            const uint8_t* bb = &bitOf[size_t(b) * size_t(depth + 1)];
            int32_t parent = 1;
            for (int L = 1;; ++L) {
                const int slot = rb[L] + 2 * gb[L] + 4 * bb[L];
                int32_t child = nodes_[size_t(parent)].children[slot];
                if (child == 0) {
                    child = newNode();
                    nodes_[size_t(parent)].children[slot] = child;
                    Node& c = nodes_[size_t(child)];
                    c.isLeaf = (L == depth) ? -1 : 0;
                    c.redSum = c.greenSum = c.blueSum = 0;
                    c.pixelCount = 0;
                    c.next = 0;
                }
                Node& c = nodes_[size_t(child)];
                if (c.isLeaf) {
                    if (c.pixelCount == 0) ++leafCount_;
                    c.pixelCount = checked32(int64_t(c.pixelCount) + 1);
                    c.redSum += r;
                    c.greenSum += g;
                    c.blueSum += b;
                    break;
                }
                if (!c.isListed) {
                    c.next = reducible_[L - 1];
                    reducible_[L - 1] = child;
                    c.isListed = -1;
                }
                parent = child;
            }
            while (leafCount_ > PalSize) {
                if (!reduceOnce()) {
                    if (askContinue && !askContinue()) {
                        Clear();
                        return false;
                    }
                    break;
                }
            }
        }
        events.progress(y);
    }

    Clear();
    for (size_t i = 1; i < nodes_.size(); ++i) {
        const Node& n = nodes_[i];
        if (!n.isLeaf) continue;
        const double c = n.pixelCount;
        Add(int(roundHalfEven(double(n.redSum) / c)), int(roundHalfEven(double(n.greenSum) / c)),
            int(roundHalfEven(double(n.blueSum) / c)));
        events.progress(int32_t(i));
    }
    events.complete(int32_t(depthTickMs() - start));
    return true;
}

}  // namespace nalo
