#include "imaging/cDIBSectionSave.h"

#include <vector>

#include "codecs/PngWriter.h"
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

    bool mapped = false;
    if (ReductionMethod == 1 || ReductionMethod == 2) {
        // The reductions work in place: each pixel is read before it is written.
        cColourReduceDIB reduce;
        bool diffuse = true;
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
        } else if (ColourDepth == 0) {
            reduce.BlackAndWhite(cDIB, cDIB);
        } else if (ColourDepth == 1) {
            Palette = std::make_shared<cPalette>();
            Palette->Create16Colour();
        } else {
            Palette = std::make_shared<cPalette>();
            if (!Palette->CreateOptimal(cDIB, 236, 6, askContinueReducing)) return false;
            diffuse = false;
        }
        if (ReductionMethod == 1 || ColourDepth != 0) {
            // The walk's entry numbers are the table indexes when the table starts with the
            // palette: the mapped colours then need no second search.
            std::vector<uint8_t> entries;
            uint8_t* target = nullptr;
            int32_t stride = 0;
            if (createLowDepth(cDIB.Width(), cDIB.Height()) && tableStartsWith(*Palette)) {
                if (low_.bitCount() == 8) {
                    target = low_.bits();
                    stride = low_.stride();
                } else {
                    entries.resize(size_t(cDIB.Width()) * size_t(cDIB.Height()));
                    target = entries.data();
                    stride = cDIB.Width();
                }
            }
            reduce.ApplyPalette(cDIB, cDIB, *Palette, diffuse, target, stride);
            if (target) {
                if (low_.bitCount() != 8) packLowDepth(entries);
                mapped = true;
            }
        }
    }
    if (!mapped && createLowDepth(cDIB.Width(), cDIB.Height())) mapLowDepth(cDIB);
    return true;
}

bool cDIBSectionSave::createLowDepth(int32_t width, int32_t height) {
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
        low_ = Dib(width, height, bitCount, false);
    } catch (const RuntimeError&) {
        low_ = Dib();
        return false;
    }
    low_.setColourTable(table);
    return true;
}

bool cDIBSectionSave::tableStartsWith(const cPalette& pal) const {
    const std::vector<RgbQuad>& table = low_.colourTable();
    if (pal.Count() == 0 || size_t(pal.Count()) > table.size()) return false;
    for (int32_t i = 0; i < pal.Count(); ++i) {
        const RgbQuad& q = table[size_t(i)];
        if (q.red != pal.Red(i + 1) || q.green != pal.Green(i + 1) || q.blue != pal.Blue(i + 1)) return false;
    }
    return true;
}

void cDIBSectionSave::packLowDepth(const std::vector<uint8_t>& entries) {
    const int32_t w = low_.width(), h = low_.height();
    const int bitCount = low_.bitCount();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* e = entries.data() + size_t(y) * size_t(w);
        uint8_t* d = low_.storedRow(y);
        if (bitCount == 4) {
            for (int32_t x = 0; x < w; ++x) d[x >> 1] = uint8_t(d[x >> 1] | (e[x] << ((x & 1) ? 0 : 4)));
        } else {
            for (int32_t x = 0; x < w; ++x) d[x >> 3] = uint8_t(d[x >> 3] | (e[x] << (7 - (x & 7))));
        }
    }
}

void cDIBSectionSave::mapLowDepth(cDIBSection& cDIB) {
    const int bitCount = low_.bitCount();
    const std::vector<RgbQuad>& table = low_.colourTable();
    TableMatcher match(table);
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
    if (hasPngExtension(sFileName)) {
        savePicturePng(full ? full_.hdc() : low_, sFileName, "cDIBSectionSave");
        return;
    }
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
