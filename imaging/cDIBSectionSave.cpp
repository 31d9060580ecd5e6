#include "imaging/cDIBSectionSave.h"

#include <vector>

#include "imaging/cColourReduceDIB.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {
// Nearest table entry by squared distance, ties to the lowest entry; cached per colour.
class TableMatcher {
public:
    explicit TableMatcher(const std::vector<RgbQuad>& t) : table_(t), tag_(size_t(1) << 16, 0), idx_(size_t(1) << 16) {}
    uint8_t operator()(uint8_t b, uint8_t g, uint8_t r) {
        const uint32_t colour = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
        const uint32_t slot = (colour * 2654435761u) >> 16;
        if (tag_[slot] == (colour | 0x1000000u)) return idx_[slot];
        int best = 1 << 30, bi = 0;
        for (size_t i = 0; i < table_.size(); ++i) {
            const int dr = r - table_[i].red, dg = g - table_[i].green, db = b - table_[i].blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bi = int(i);
                if (d == 0) break;
            }
        }
        tag_[slot] = colour | 0x1000000u;
        idx_[slot] = uint8_t(bi);
        return uint8_t(bi);
    }

private:
    const std::vector<RgbQuad>& table_;
    std::vector<uint32_t> tag_;
    std::vector<uint8_t> idx_;
};

std::vector<RgbQuad> tableOf(const cPalette& p, size_t size) {
    std::vector<RgbQuad> t(size);
    const int32_t n = p.Count() < int32_t(size) ? p.Count() : int32_t(size);
    for (int32_t i = 0; i < n; ++i) t[size_t(i)] = {p.Blue(i + 1), p.Green(i + 1), p.Red(i + 1), 0};
    return t;
}

std::shared_ptr<cPalette> blackWhitePalette() {
    auto p = std::make_shared<cPalette>();
    p->Add(0, 0, 0);
    p->Add(255, 255, 255);
    return p;
}
}  // namespace

bool cDIBSectionSave::Convert(cDIBSection& cDIB) {
    low_ = Dib();
    full_.ClearUp();
    if (ColourDepth == 3) {
        if (full_.Create(cDIB.Width(), cDIB.Height())) cDIB.PaintPicture(full_.hdc());
        return true;
    }
    if (ColourDepth < 0 || ColourDepth > 3) return true;

    if (ReductionMethod == 1 || ReductionMethod == 2) {
        // The reductions work in place: each pixel is read before it is written.
        cDIBSection& work = cDIB;
        cColourReduceDIB reduce;
        if (ReductionMethod == 1) {
            // Without a palette the depth's own colours are applied.
            if (!Palette || Palette->Count() == 0) {
                if (ColourDepth == 0) {
                    Palette = blackWhitePalette();
                } else {
                    Palette = std::make_shared<cPalette>();
                    if (ColourDepth == 1) Palette->Create16Colour();
                    else Palette->CreateHalfTone();
                }
            }
            reduce.ApplyPalette(cDIB, work, *Palette, true);
        } else if (ColourDepth == 0) {
            reduce.BlackAndWhite(cDIB, work);
        } else if (ColourDepth == 1) {
            Palette = std::make_shared<cPalette>();
            Palette->Create16Colour();
            reduce.ApplyPalette(cDIB, work, *Palette, true);
        } else {
            Palette = std::make_shared<cPalette>();
            if (!Palette->CreateOptimal(cDIB, 236, 6, askContinueReducing)) return false;
            reduce.ApplyPalette(cDIB, work, *Palette, false);
        }
    }
    buildLowDepth(cDIB);
    return true;
}

void cDIBSectionSave::buildLowDepth(cDIBSection& cDIB) {
    static constexpr int bitCounts[3] = {1, 4, 8};
    const int bitCount = bitCounts[ColourDepth];
    std::vector<RgbQuad> table;
    if (ColourDepth == 0) {
        table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (ColourDepth == 1) {
        cPalette p;
        p.Create16Colour();
        table = tableOf(p, 16);
    } else {
        if (!Palette || Palette->Count() == 0) {
            Palette = std::make_shared<cPalette>();
            Palette->CreateHalfTone();
        }
        table = tableOf(*Palette, 256);
    }
    try {
        low_ = Dib(cDIB.Width(), cDIB.Height(), bitCount, false);
    } catch (const RuntimeError&) {
        low_ = Dib();
        return;
    }
    low_.setColourTable(table);

    TableMatcher match(low_.colourTable());
    const int32_t w = cDIB.Width(), h = cDIB.Height();
    uint8_t* src = cDIB.DIBSectionBitsPtr();
    const bool showReduced = ReductionMethod == 0;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* s = src + size_t(y) * size_t(cDIB.BytesPerScanLine());
        uint8_t* d = low_.storedRow(y);
        for (int32_t x = 0; x < w; ++x, s += 3) {
            const uint8_t i = match(s[0], s[1], s[2]);
            switch (bitCount) {
            case 1: d[x >> 3] = uint8_t(d[x >> 3] | (i << (7 - (x & 7)))); break;
            case 4: d[x >> 1] = uint8_t(d[x >> 1] | (i << ((x & 1) ? 0 : 4))); break;
            default: d[x] = i; break;
            }
            if (showReduced) {
                const RgbQuad& q = table[i];
                s[0] = q.blue;
                s[1] = q.green;
                s[2] = q.red;
            }
        }
    }
}

void cDIBSectionSave::Save(const std::string& sFileName) const {
    const bool full = ColourDepth == 3;
    if (full ? full_.empty() : low_.empty())
        throw RuntimeError(err::UserDefined, "cDIBSectionSave", "No converted picture to save: " + sFileName);
    if (full) {
        full_.SavePicture(sFileName);
        return;
    }
    const size_t entries = low_.colourTable().size();
    std::vector<uint8_t> head(54 + 4 * entries);
    putBmpHeaders(head.data(), low_.width(), low_.height(), low_.bitCount(), uint32_t(entries),
                  uint32_t(low_.imageSize()));
    for (size_t i = 0; i < entries; ++i) {
        const RgbQuad& q = low_.colourTable()[i];
        head[54 + 4 * i] = q.blue;
        head[55 + 4 * i] = q.green;
        head[56 + 4 * i] = q.red;
        head[57 + 4 * i] = 0;
    }
    writeBmpFile(sFileName, head.data(), head.size(), low_.bits(), low_.imageSize());
}

}  // namespace nalo
