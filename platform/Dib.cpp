#include "platform/Dib.h"

#include <algorithm>
#include <cstring>

#include "shell/RuntimeError.h"

namespace nalo {

namespace {

bool validBitCount(int bc) { return bc == 1 || bc == 4 || bc == 8 || bc == 16 || bc == 24 || bc == 32; }

std::vector<RgbQuad> greyRamp(int bitCount) {
    const int n = 1 << bitCount;
    std::vector<RgbQuad> t(n);
    for (int i = 0; i < n; ++i) {
        auto v = static_cast<uint8_t>(i * 255 / (n - 1));
        t[i] = {v, v, v, 0};
    }
    return t;
}

inline ColourValue from555(uint32_t v) {
    return rgb(static_cast<uint8_t>(((v >> 10) & 31) << 3), static_cast<uint8_t>(((v >> 5) & 31) << 3),
               static_cast<uint8_t>((v & 31) << 3));
}
inline uint32_t to555(ColourValue c) {
    return (static_cast<uint32_t>(redOf(c) >> 3) << 10) | (static_cast<uint32_t>(greenOf(c) >> 3) << 5) |
           (blueOf(c) >> 3);
}
// 24/32-bit raw values are 0x00RRGGBB (memory order B, G, R).
inline ColourValue fromBgr(uint32_t v) {
    return rgb(static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v));
}
inline uint32_t toBgr(ColourValue c) {
    return (static_cast<uint32_t>(redOf(c)) << 16) | (static_cast<uint32_t>(greenOf(c)) << 8) | blueOf(c);
}

// Reads w raw pixel values of one row starting at x0.
void readRawRow(const Dib& d, int y, int x0, int w, uint32_t* out) {
    const uint8_t* r = d.row(y);
    switch (d.bitCount()) {
    case 1:
        for (int i = 0; i < w; ++i) {
            int x = x0 + i;
            out[i] = (r[x >> 3] >> (7 - (x & 7))) & 1u;
        }
        break;
    case 4:
        for (int i = 0; i < w; ++i) {
            int x = x0 + i;
            out[i] = (x & 1) ? (r[x >> 1] & 0x0Fu) : (r[x >> 1] >> 4);
        }
        break;
    case 8:
        for (int i = 0; i < w; ++i) out[i] = r[x0 + i];
        break;
    case 16: {
        const uint8_t* p = r + 2 * x0;
        for (int i = 0; i < w; ++i, p += 2) out[i] = p[0] | (static_cast<uint32_t>(p[1]) << 8);
        break;
    }
    case 24: {
        const uint8_t* p = r + 3 * x0;
        for (int i = 0; i < w; ++i, p += 3)
            out[i] = p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
        break;
    }
    case 32: {
        const uint8_t* p = r + 4 * x0;
        for (int i = 0; i < w; ++i, p += 4)
            out[i] = p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
        break;
    }
    }
}

template <Rop R>
inline uint32_t combine(uint32_t d, uint32_t s) {
    if constexpr (R == Rop::SrcCopy) return s;
    else if constexpr (R == Rop::SrcAnd) return d & s;
    else if constexpr (R == Rop::SrcPaint) return d | s;
    else return d ^ s;
}

template <Rop R>
void writeRawRowT(Dib& d, int y, int x0, int w, const uint32_t* in) {
    uint8_t* r = d.row(y);
    switch (d.bitCount()) {
    case 1:
        for (int i = 0; i < w; ++i) {
            int x = x0 + i;
            uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            uint32_t old = (r[x >> 3] & mask) ? 1u : 0u;
            uint32_t v = combine<R>(old, in[i]) & 1u;
            r[x >> 3] = static_cast<uint8_t>(v ? (r[x >> 3] | mask) : (r[x >> 3] & ~mask));
        }
        break;
    case 4:
        for (int i = 0; i < w; ++i) {
            int x = x0 + i;
            uint8_t& b = r[x >> 1];
            if (x & 1) b = static_cast<uint8_t>((b & 0xF0) | (combine<R>(b & 0x0Fu, in[i]) & 0x0F));
            else b = static_cast<uint8_t>((b & 0x0F) | ((combine<R>(b >> 4, in[i]) & 0x0F) << 4));
        }
        break;
    case 8:
        for (int i = 0; i < w; ++i) r[x0 + i] = static_cast<uint8_t>(combine<R>(r[x0 + i], in[i]));
        break;
    case 16: {
        uint8_t* p = r + 2 * x0;
        for (int i = 0; i < w; ++i, p += 2) {
            uint32_t v = combine<R>(p[0] | (static_cast<uint32_t>(p[1]) << 8), in[i]);
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
        }
        break;
    }
    case 24:
    case 32: {
        const int bpp = d.bitCount() / 8;
        uint8_t* p = r + bpp * x0;
        for (int i = 0; i < w; ++i, p += bpp) {
            uint32_t v = combine<R>(p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16),
                                    in[i]);
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
            p[2] = static_cast<uint8_t>(v >> 16);
            if (bpp == 4) p[3] = 0;
        }
        break;
    }
    }
}

void writeRawRow(Dib& d, int y, int x0, int w, const uint32_t* in, Rop rop) {
    switch (rop) {
    case Rop::SrcCopy: writeRawRowT<Rop::SrcCopy>(d, y, x0, w, in); break;
    case Rop::SrcAnd: writeRawRowT<Rop::SrcAnd>(d, y, x0, w, in); break;
    case Rop::SrcPaint: writeRawRowT<Rop::SrcPaint>(d, y, x0, w, in); break;
    case Rop::SrcInvert: writeRawRowT<Rop::SrcInvert>(d, y, x0, w, in); break;
    }
}

ColourValue rawToColour(const Dib& d, uint32_t v) {
    switch (d.bitCount()) {
    case 16: return from555(v);
    case 24:
    case 32: return fromBgr(v);
    default: {
        const auto& t = d.colourTable();
        return v < t.size() ? colourOf(t[v]) : rgb(0, 0, 0);
    }
    }
}

bool isBlackWhite(const std::vector<RgbQuad>& table) {
    return table.size() < 2 || (colourOf(table[0]) == rgb(0, 0, 0) && colourOf(table[1]) == rgb(255, 255, 255));
}

// Maps source raw values to destination raw values, as GDI does in a copy.
class PixelTranslator {
public:
    PixelTranslator(const Dib& dst, const Dib& src, const BltColours& c) : dst_(dst), src_(src), colours_(c) {
        const int sb = src.bitCount(), db = dst.bitCount();
        if (sb == db && (sb > 8 || src.colourTable() == dst.colourTable() || (sb == 1))) {
            mode_ = Mode::Identity;
        } else if (sb <= 8) {
            // Paletted source: a lookup table over every source index.
            mode_ = Mode::Lookup;
            // A black-and-white bitmap is drawn in the target's text and background
            // colours; a two-colour bitmap with other colours keeps its own.
            const bool mono = sb == 1 && isBlackWhite(src.colourTable());
            const int n = 1 << sb;
            lut_.resize(n);
            for (int i = 0; i < n; ++i) {
                ColourValue col;
                if (mono) col = i ? translateColour(c.dstBackColour) : translateColour(c.dstTextColour);
                else col = rawToColour(src, static_cast<uint32_t>(i));
                lut_[i] = (sb == 1 && db == 1) ? static_cast<uint32_t>(i) : colourToDst(col, mono);
            }
        } else {
            mode_ = Mode::Convert;
        }
    }

    void translate(uint32_t* v, int n) {
        switch (mode_) {
        case Mode::Identity: return;
        case Mode::Lookup:
            for (int i = 0; i < n; ++i) v[i] = lut_[v[i]];
            return;
        case Mode::Convert: {
            const int sb = src_.bitCount(), db = dst_.bitCount();
            if (sb >= 24 && db >= 24) return;  // same 0x00RRGGBB raw form
            for (int i = 0; i < n; ++i) {
                uint32_t raw = v[i];
                if (raw == lastIn_ && haveLast_) {
                    v[i] = lastOut_;
                    continue;
                }
                ColourValue col = sb == 16 ? from555(raw) : fromBgr(raw);
                lastIn_ = raw;
                lastOut_ = colourToDst(col, false);
                haveLast_ = true;
                v[i] = lastOut_;
            }
            return;
        }
        }
    }

private:
    enum class Mode { Identity, Lookup, Convert };

    uint32_t colourToDst(ColourValue col, bool fromMono) const {
        switch (dst_.bitCount()) {
        case 1:
            if (!fromMono) return col == translateColour(colours_.srcBackColour) ? 1u : 0u;
            return static_cast<uint32_t>(nearestIndex(dst_.colourTable(), col));
        case 4:
        case 8: return static_cast<uint32_t>(nearestIndex(dst_.colourTable(), col));
        case 16: return to555(col);
        default: return toBgr(col);
        }
    }

    const Dib& dst_;
    const Dib& src_;
    BltColours colours_;
    Mode mode_ = Mode::Identity;
    std::vector<uint32_t> lut_;
    uint32_t lastIn_ = 0, lastOut_ = 0;
    bool haveLast_ = false;
};

}  // namespace

Dib::Dib(int width, int height, int bitCount, bool topDown) {
    if (!validBitCount(bitCount) || width < 0 || height < 0)
        throw RuntimeError(err::InvalidProcedureCall, "Dib", "Invalid bitmap format");
    if (static_cast<int64_t>(width) * height > MaxDibPixels)
        throw RuntimeError(err::OutOfMemory, "Dib",
                           "Picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    topDown_ = topDown;
    stride_ = static_cast<int>(dibStride(width, bitCount));
    bits_ = PictureBuffer(static_cast<size_t>(stride_) * static_cast<size_t>(height));
    if (bitCount <= 8) table_ = greyRamp(bitCount);
}

void Dib::crop(int x, int y, int w, int h) {
    if (bitCount_ < 8 || x < 0 || y < 0 || w < 1 || h < 1 || x + w > width_ || y + h > height_)
        throw RuntimeError(err::InvalidProcedureCall, "Dib", "Invalid crop rectangle");
    const size_t bytesPerPixel = static_cast<size_t>(bitCount_ / 8);
    const auto newStride = static_cast<size_t>(dibStride(w, bitCount_));
    // Each kept row moves to a lower address (or stays), so going up through memory
    // never overwrites a row still to be moved.
    // Row padding holds zeros, as in a new bitmap.
    const size_t firstRow = static_cast<size_t>(topDown_ ? y : height_ - y - h);
    const size_t used = static_cast<size_t>(w) * bytesPerPixel;
    for (size_t j = 0; j < static_cast<size_t>(h); ++j) {
        uint8_t* row = bits_.data() + j * newStride;
        const uint8_t* from = bits_.data() + (firstRow + j) * static_cast<size_t>(stride_);
        std::memmove(row, from + static_cast<size_t>(x) * bytesPerPixel, used);
        std::memset(row + used, 0, newStride - used);
    }
    width_ = w;
    height_ = h;
    stride_ = static_cast<int>(newStride);
    bits_.shrink(newStride * static_cast<size_t>(h));
}

bool Dib::reshape(int w, int h) {
    if (w < 1 || h < 1) return false;
    const int64_t stride = dibStride(w, bitCount_);
    if (!bits_.resize(static_cast<size_t>(stride * h))) return false;
    width_ = w;
    height_ = h;
    stride_ = static_cast<int>(stride);
    return true;
}

void Dib::setColourTable(const std::vector<RgbQuad>& table) {
    if (bitCount_ > 8) return;
    const size_t n = size_t(1) << bitCount_;
    table_ = table;
    table_.resize(std::min(table_.size(), n));
}

uint32_t Dib::rawPixel(int x, int y) const {
    uint32_t v = 0;
    readRawRow(*this, y, x, 1, &v);
    return v;
}

void Dib::setRawPixel(int x, int y, uint32_t v) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    writeRawRow(*this, y, x, 1, &v, Rop::SrcCopy);
}

ColourValue Dib::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return ClrInvalid;
    return rawToColour(*this, rawPixel(x, y));
}

uint32_t Dib::rawOf(ColourValue c) const {
    c = translateColour(c);
    switch (bitCount_) {
    case 16: return to555(c);
    case 24:
    case 32: return toBgr(c);
    default: return static_cast<uint32_t>(nearestIndex(table_, c));
    }
}

void Dib::setPixel(int x, int y, ColourValue c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const uint32_t v = rawOf(c);
    writeRawRow(*this, y, x, 1, &v, Rop::SrcCopy);
}

void Dib::fillRect(int x, int y, int w, int h, ColourValue c) {
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min<int64_t>(int64_t(x) + w, width_), y1 = std::min<int64_t>(int64_t(y) + h, height_);
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t v = rawOf(c);
    // The first row pixel by pixel, the others copied from it where whole bytes allow.
    std::vector<uint32_t> rowValues(static_cast<size_t>(x1 - x0), v);
    writeRawRow(*this, y0, x0, x1 - x0, rowValues.data(), Rop::SrcCopy);
    const int64_t bitStart = int64_t(x0) * bitCount_, bitEnd = int64_t(x1) * bitCount_;
    const bool wholeBytes = bitStart % 8 == 0 && (bitEnd % 8 == 0 || x1 == width_);
    const size_t b0 = static_cast<size_t>(bitStart / 8), b1 = static_cast<size_t>((bitEnd + 7) / 8);
    for (int yy = y0 + 1; yy < y1; ++yy) {
        if (wholeBytes) std::memcpy(row(yy) + b0, row(y0) + b0, b1 - b0);
        else writeRawRow(*this, yy, x0, x1 - x0, rowValues.data(), Rop::SrcCopy);
    }
}

Dib Dib::withRowOrder(bool topDown) const {
    Dib out = *this;
    if (topDown == topDown_) return out;
    out.topDown_ = topDown;
    for (int i = 0; i < height_; ++i) std::memcpy(out.storedRow(height_ - 1 - i), storedRow(i), stride_);
    return out;
}

int nearestIndex(const std::vector<RgbQuad>& table, ColourValue c) {
    int best = 0;
    int bestDist = 0x7FFFFFFF;
    const int r = redOf(c), g = greenOf(c), b = blueOf(c);
    for (size_t i = 0; i < table.size(); ++i) {
        int dr = r - table[i].red, dg = g - table[i].green, db = b - table[i].blue;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

void bitBlt(Dib& dst, int dx, int dy, int w, int h, const Dib& src, int sx, int sy, Rop rop,
            const BltColours& colours) {
    if (dst.empty() || src.empty() || w <= 0 || h <= 0) return;
    // Clip against both bitmaps.
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    w = std::min({w, src.width() - sx, dst.width() - dx});
    h = std::min({h, src.height() - sy, dst.height() - dy});
    if (w <= 0 || h <= 0) return;

    const int bc = src.bitCount();
    const bool sameLayout = bc == dst.bitCount() && (bc > 8 || src.colourTable() == dst.colourTable() || bc == 1);
    if (rop == Rop::SrcCopy && sameLayout && bc >= 8 && &src != &dst) {
        const size_t bpp = static_cast<size_t>(bc / 8);
        for (int y = 0; y < h; ++y)
            std::memcpy(dst.row(dy + y) + dx * bpp, src.row(sy + y) + sx * bpp, w * bpp);
        return;
    }
    if (rop == Rop::SrcCopy && &src != &dst && bc >= 24 && dst.bitCount() >= 24) {
        // True colour between 24 and 32 bits: move the three colour bytes.
        const int sb = bc / 8, db = dst.bitCount() / 8;
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = src.row(sy + y) + static_cast<size_t>(sx) * sb;
            uint8_t* d = dst.row(dy + y) + static_cast<size_t>(dx) * db;
            if (db == 3) {
                for (int x = 0; x < w; ++x, s += 4, d += 3) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            } else {
                for (int x = 0; x < w; ++x, s += 3, d += 4) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                    d[3] = 0;
                }
            }
        }
        return;
    }
    PixelTranslator tr(dst, src, colours);
    std::vector<uint32_t> buf(static_cast<size_t>(w));
    // Copying within one bitmap: walk rows in the direction that does not overwrite the source first.
    const bool backwards = &src == &dst && dy > sy;
    for (int i = 0; i < h; ++i) {
        int y = backwards ? h - 1 - i : i;
        readRawRow(src, sy + y, sx, w, buf.data());
        tr.translate(buf.data(), w);
        writeRawRow(dst, dy + y, dx, w, buf.data(), rop);
    }
}

void stretchBlt(Dib& dst, int dx, int dy, int dw, int dh, const Dib& src, int sx, int sy, int sw, int sh, Rop rop,
                const BltColours& colours) {
    if (dst.empty() || src.empty() || dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
    if (dw == sw && dh == sh && dw > 0 && dh > 0) {
        bitBlt(dst, dx, dy, dw, dh, src, sx, sy, rop, colours);
        return;
    }
    bool flipX = false, flipY = false;
    if (dw < 0) { dx += dw; dw = -dw; flipX = !flipX; }
    if (dh < 0) { dy += dh; dh = -dh; flipY = !flipY; }
    if (sw < 0) { sx += sw; sw = -sw; flipX = !flipX; }
    if (sh < 0) { sy += sh; sh = -sh; flipY = !flipY; }

    const int x0 = std::max(dx, 0), x1 = static_cast<int>(std::min<int64_t>(int64_t(dx) + dw, dst.width()));
    const int y0 = std::max(dy, 0), y1 = static_cast<int>(std::min<int64_t>(int64_t(dy) + dh, dst.height()));
    if (x0 >= x1 || y0 >= y1) return;

    // Nearest source column of every destination column, sampled at pixel centres.
    std::vector<int> xmap;
    xmap.reserve(static_cast<size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        int64_t i = x - dx;
        if (flipX) i = dw - 1 - i;
        int s = sx + static_cast<int>(((2 * i + 1) * sw) / (2 * int64_t(dw)));
        xmap.push_back(s);
    }
    int smin = src.width(), smax = -1;
    for (int s : xmap)
        if (s >= 0 && s < src.width()) {
            smin = std::min(smin, s);
            smax = std::max(smax, s);
        }
    if (smax < 0) return;

    PixelTranslator tr(dst, src, colours);
    std::vector<uint32_t> srcRow(static_cast<size_t>(smax - smin + 1));
    std::vector<uint32_t> out(static_cast<size_t>(x1 - x0));
    int lastSrcY = -1;
    for (int y = y0; y < y1; ++y) {
        int64_t j = y - dy;
        if (flipY) j = dh - 1 - j;
        int syy = sy + static_cast<int>(((2 * j + 1) * sh) / (2 * int64_t(dh)));
        if (syy < 0 || syy >= src.height()) continue;
        if (syy != lastSrcY) {
            readRawRow(src, syy, smin, smax - smin + 1, srcRow.data());
            tr.translate(srcRow.data(), smax - smin + 1);
            lastSrcY = syy;
        }
        // Write contiguous spans whose source column lies inside the source.
        int span = -1;
        for (int k = 0; k <= x1 - x0; ++k) {
            bool inside = k < x1 - x0 && xmap[k] >= 0 && xmap[k] < src.width();
            if (inside) {
                out[k] = srcRow[xmap[k] - smin];
                if (span < 0) span = k;
            } else if (span >= 0) {
                writeRawRow(dst, y, x0 + span, k - span, out.data() + span, rop);
                span = -1;
            }
        }
    }
}

Dib convertDib(const Dib& src, int bitCount, bool topDown) {
    Dib out(src.width(), src.height(), bitCount, topDown);
    if (bitCount <= 8 && src.bitCount() == bitCount) out.setColourTable(src.colourTable());
    bitBlt(out, 0, 0, src.width(), src.height(), src, 0, 0);
    return out;
}

}  // namespace nalo
