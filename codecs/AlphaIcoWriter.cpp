#include "codecs/AlphaIcoWriter.h"

#include "codecs/LittleEndian.h"
#include "codecs/PngWriter.h"
#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

constexpr size_t DirectorySize = 6, EntrySize = 16, HeaderSize = 40;

// BITMAPINFOHEADER (height counting image and mask), pixels and mask, bottom-up.
std::vector<uint8_t> bitmapImage(const Dib& image) {
    const int side = image.width();
    const size_t maskStride = size_t(dibStride(side, 1)), pixels = size_t(side) * side * 4;
    std::vector<uint8_t> out(HeaderSize + pixels + maskStride * side, 0);
    uint8_t* h = out.data();
    putLe32(h, HeaderSize);
    putLe32(h + 4, uint32_t(side));
    putLe32(h + 8, uint32_t(2 * side));
    putLe16(h + 12, 1);
    putLe16(h + 14, 32);
    putLe32(h + 20, uint32_t(out.size() - HeaderSize));
    uint8_t* px = h + HeaderSize;
    uint8_t* mask = px + pixels;
    for (int i = 0; i < side; ++i) {
        const int y = side - 1 - i;  // bottom row first
        const uint8_t* s = image.row(y);
        std::copy(s, s + size_t(side) * 4, px + size_t(i) * side * 4);
        uint8_t* m = mask + size_t(i) * maskStride;
        for (int x = 0; x < side; ++x)
            if (s[x * 4 + 3] == 0) m[x >> 3] = uint8_t(m[x >> 3] | (0x80 >> (x & 7)));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> encodeAlphaIco(const std::vector<Dib>& images) {
    std::vector<std::vector<uint8_t>> blobs;
    for (const Dib& image : images) {
        if (image.bitCount() != 32 || image.width() != image.height() || image.width() < 1 || image.width() > 256)
            throw RuntimeError(err::InvalidProcedureCall, "IcoWriter", "Icon images must be square, 32-bit, 1 to 256 pixels");
        blobs.push_back(image.width() == 256 ? encodePng(image, "icon") : bitmapImage(image));
    }
    size_t offset = DirectorySize + EntrySize * images.size();
    std::vector<uint8_t> out(offset, 0);
    putLe16(&out[2], 1);
    putLe16(&out[4], uint32_t(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        uint8_t* e = &out[DirectorySize + EntrySize * i];
        const int side = images[i].width();
        e[0] = e[1] = uint8_t(side & 0xff);  // 256 is written as 0
        putLe16(e + 4, 1);
        putLe16(e + 6, 32);
        putLe32(e + 8, uint32_t(blobs[i].size()));
        putLe32(e + 12, uint32_t(offset));
        offset += blobs[i].size();
    }
    for (const auto& b : blobs) out.insert(out.end(), b.begin(), b.end());
    return out;
}

void saveAlphaIcoFile(const std::string& path, const std::vector<Dib>& images) {
    const std::vector<uint8_t> bytes = encodeAlphaIco(images);
    AtomicFileWriter out(path, "IcoWriter");
    out.write(bytes.data(), bytes.size());
    out.commit();
}

}  // namespace nalo
