#include "codecs/IcoWriter.h"

#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

struct DepthLayout {
    int bitCount;
    uint8_t colourCount;
    uint16_t planes, entryBitCount;
    uint32_t headerImageSize, coloursUsed;
    int tableBytes;
};

constexpr DepthLayout kLayouts[] = {
    {1, 0, 5, 7, 128, 0, 8},
    {4, 16, 0, 0, 2, 0, 64},
    {8, 0, 0, 0, 1152, 256, 1024},
    {24, 0, 0, 0, 1153, 1, 4},
};

const DepthLayout* layoutFor(int bitCount) {
    for (const auto& l : kLayouts)
        if (l.bitCount == bitCount) return &l;
    return nullptr;
}

constexpr int kDirectorySize = 22, kHeaderSize = 40, kMaskBytes = 128;

int xorBytes(int bitCount) { return static_cast<int>(dibStride(IconSide, bitCount)) * IconSide; }

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v); u8(v >> 8); }
    void u32(uint32_t v) { u16(v); u16(v >> 16); }
    void bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }

private:
    std::vector<uint8_t>& out_;
};

// Appends the rows of a bottom-up view of `d`, bottom row first.
void appendRowsBottomUp(ByteWriter& w, const Dib& d) {
    for (int y = d.height() - 1; y >= 0; --y) w.bytes(d.row(y), static_cast<size_t>(d.stride()));
}

}  // namespace

bool isIconBitCount(int bitCount) { return layoutFor(bitCount) != nullptr; }

int icoFileSize(int bitCount) {
    const DepthLayout* l = layoutFor(bitCount);
    return l ? kDirectorySize + kHeaderSize + l->tableBytes + xorBytes(bitCount) + kMaskBytes : 0;
}

std::vector<uint8_t> encodeIco(const Dib& xorImage, const Dib& andMask) {
    const DepthLayout* l = layoutFor(xorImage.bitCount());
    if (!l || xorImage.width() != IconSide || xorImage.height() != IconSide || andMask.bitCount() != 1 ||
        andMask.width() != IconSide || andMask.height() != IconSide)
        throw RuntimeError(err::InvalidProcedureCall, "IcoWriter", "Icon image must be 32 x 32 at 1, 4, 8 or 24 bits");

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(icoFileSize(l->bitCount)));
    ByteWriter w(out);
    // Directory: reserved, type 1, one entry.
    w.u16(0);
    w.u16(1);
    w.u16(1);
    w.u8(IconSide);
    w.u8(IconSide);
    w.u8(l->colourCount);
    w.u8(0);
    w.u16(l->planes);
    w.u16(l->entryBitCount);
    w.u32(static_cast<uint32_t>(icoFileSize(l->bitCount) - kDirectorySize));
    w.u32(kDirectorySize);
    // BITMAPINFOHEADER: the height counts image and mask.
    w.u32(kHeaderSize);
    w.u32(IconSide);
    w.u32(2 * IconSide);
    w.u16(1);
    w.u16(static_cast<uint32_t>(l->bitCount));
    w.u32(0);
    w.u32(l->headerImageSize);
    w.u32(0);
    w.u32(0);
    w.u32(l->coloursUsed);
    w.u32(0);
    if (l->bitCount == 24) {
        w.u32(0x20202020u);
    } else {
        const auto& table = xorImage.colourTable();
        const size_t entries = size_t(l->tableBytes) / 4;
        for (size_t i = 0; i < entries; ++i) {
            RgbQuad q = i < table.size() ? table[i] : RgbQuad{};
            w.u8(q.blue);
            w.u8(q.green);
            w.u8(q.red);
            w.u8(0);
        }
    }
    appendRowsBottomUp(w, xorImage);
    appendRowsBottomUp(w, andMask);
    return out;
}

void saveIcoFile(const std::string& path, const Dib& xorImage, const Dib& andMask) {
    const std::vector<uint8_t> bytes = encodeIco(xorImage, andMask);
    AtomicFileWriter out(path, "IcoWriter");
    out.write(bytes.data(), bytes.size());
    out.commit();
}

}  // namespace nalo
