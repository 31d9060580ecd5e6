#include "imaging/cDIBSection.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/FileBytes.h"
#include "shell/AppPath.h"
#include "shell/Rounding.h"

namespace nalo {

int64_t depthTickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) { put16(p, v); put16(p + 2, v >> 16); }

std::string saverSource() {
    std::string app = appPath();
    size_t slash = app.find_last_of('/');
    std::string name = slash == std::string::npos ? app : app.substr(slash + 1);
    if (name.empty()) name = "Nalo";
    return name + ".cDIBSection256";
}
}  // namespace

void putBmpHeaders(uint8_t* out, int32_t width, int32_t height, int bitCount, uint32_t tableEntries,
                   uint32_t imageSize) {
    const uint32_t offset = 54 + 4 * tableEntries;
    std::memset(out, 0, 54);
    put16(out, 0x4D42);
    put32(out + 2, offset + imageSize);
    put32(out + 10, offset);
    put32(out + 14, 40);
    put32(out + 18, uint32_t(width));
    put32(out + 22, uint32_t(height));
    put16(out + 26, 1);
    put16(out + 28, uint32_t(bitCount));
    put32(out + 34, imageSize);
}

void writeBmpFile(const std::string& path, const uint8_t* head, size_t headSize, const uint8_t* bits,
                  size_t bitsSize) {
    try {
        AtomicFileWriter out(path, "cDIBSection256");
        out.write(head, headSize);
        out.write(bits, bitsSize);
        out.commit();
    } catch (const RuntimeError& e) {
        throw RuntimeError(err::UserDefined, saverSource(), e.description());
    }
}

bool cDIBSection::Create(int32_t lWidth, int32_t lheight) {
    ClearUp();
    checked32(int64_t(lWidth) * 3 + 3);
    if (lWidth <= 0 || lheight <= 0) return false;
    try {
        dib_ = Dib(lWidth, lheight, 24, false);
    } catch (const RuntimeError&) {
        dib_ = Dib();
        return false;
    }
    return true;
}

void cDIBSection::CreateFromPicture(const Dib& picThis) {
    if (Create(picThis.width(), picThis.height())) LoadPictureBlt(picThis);
}

void cDIBSection::CreateFromPicture(Dib&& picThis) {
    if (picThis.bitCount() != 24 || picThis.topDown() || picThis.empty()) {
        CreateFromPicture(static_cast<const Dib&>(picThis));
        return;
    }
    ClearUp();
    checked32(int64_t(picThis.width()) * 3 + 3);
    dib_ = std::move(picThis);
}

void cDIBSection::LoadPictureBlt(const Dib& src, int32_t lSrcLeft, int32_t lSrcTop, int32_t lSrcWidth,
                                 int32_t lSrcHeight, Rop eRop) {
    if (dib_.empty()) return;
    if (eRop == Rop::SrcCopy && lSrcLeft == 0 && lSrcTop == 0 && lSrcWidth < 0 && lSrcHeight < 0 &&
        src.bitCount() == 24 && src.width() == Width() && src.height() == Height() && !src.topDown()) {
        std::memcpy(dib_.bits(), src.bits(), dib_.imageSize());  // same layout: a plain copy
        return;
    }
    bitBlt(dib_, 0, 0, lSrcWidth < 0 ? Width() : lSrcWidth, lSrcHeight < 0 ? Height() : lSrcHeight, src, lSrcLeft,
           lSrcTop, eRop);
}

void cDIBSection::PaintPicture(Dib& dst, int32_t lDestLeft, int32_t lDestTop, int32_t lDestWidth,
                               int32_t lDestHeight, int32_t lSrcLeft, int32_t lSrcTop, Rop eRop) const {
    if (dib_.empty()) return;
    bitBlt(dst, lDestLeft, lDestTop, lDestWidth < 0 ? Width() : lDestWidth, lDestHeight < 0 ? Height() : lDestHeight,
           dib_, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::SavePicture(const std::string& sFileName) const {
    uint8_t head[54];
    putBmpHeaders(head, Width(), Height(), 24, 0, uint32_t(dib_.imageSize()));
    writeBmpFile(sFileName, head, sizeof head, dib_.bits(), dib_.imageSize());
}

}  // namespace nalo
