#include "tools/tgapcx/RowStreamConversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "codecs/LittleEndian.h"
#include "codecs/PcxRle.h"
#include "codecs/TgaRle.h"
#include "platform/Dib.h"
#include "platform/FileBytes.h"
#include "platform/FileDescriptor.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo::tgapcx {

namespace {

constexpr size_t ChunkBytes = size_t(4) << 20;
// Rows decoded and written at a time: small enough to stay in the processor's cache
// between decoding, turning and writing.
constexpr size_t BlockBytes = size_t(512) << 10;

// Reads `size` bytes at `offset`; false when the file ends first.
bool readAt(int fd, uint8_t* dst, size_t size, uint64_t offset, const std::string& path) {
    if (readFullyAt(fd, dst, size, offset)) return true;
    if (errno != 0) raiseFileError("LoadPicture", path, errno);
    return false;
}

// Sequential reading from an offset in large chunks.
class ChunkReader {
public:
    ChunkReader(int fd, uint64_t offset, const std::string& path) : fd_(fd), offset_(offset), path_(path) {
        buffer_.resize(ChunkBytes);
    }
    bool byte(uint8_t& b) {
        if (pos_ == end_ && !refill()) return false;
        b = buffer_[pos_++];
        return true;
    }
    bool bytes(uint8_t* dst, size_t n) {
        while (n > 0) {
            if (pos_ == end_ && !refill()) return false;
            const size_t k = std::min(n, end_ - pos_);
            std::memcpy(dst, buffer_.data() + pos_, k);
            pos_ += k;
            dst += k;
            n -= k;
        }
        return true;
    }
    // The bytes read and not yet taken; empty at the end of the file.
    std::span<const uint8_t> window() {
        if (pos_ == end_) refill();
        return {buffer_.data() + pos_, end_ - pos_};
    }
    void take(size_t n) { pos_ += n; }

private:
    bool refill() {
        ssize_t n;
        do n = ::pread(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(offset_));
        while (n < 0 && errno == EINTR);
        if (n < 0) raiseFileError("LoadPicture", path_, errno);
        offset_ += static_cast<uint64_t>(n);
        pos_ = 0;
        end_ = static_cast<size_t>(n);
        return n > 0;
    }

    int fd_;
    uint64_t offset_;
    const std::string& path_;
    FileBuffer buffer_;
    size_t pos_ = 0, end_ = 0;
};

enum class Layout { Tga, TgaRle, Bmp, Pcx, PcxRle };

struct SourceFile {
    Layout layout;
    int width = 0, height = 0;
    int pixelBytes = 3;     // TGA: 3 or 4
    int bpl = 0;            // PCX bytes per plane line
    bool topDown = false;   // stored rows top first
    uint64_t dataOffset = 0;
    size_t rowBytes = 0;    // stored row: TGA w x p, BMP stride, PCX 3 x bpl
    bool randomAccess() const { return layout == Layout::Tga || layout == Layout::Bmp || layout == Layout::Pcx; }
    bool packedBgr() const { return (layout == Layout::Tga && pixelBytes == 3) || layout == Layout::Bmp; }
};

bool fitsPicture(int64_t w, int64_t h) { return w > 0 && h > 0 && FitsPictureBudget(w, h); }

// The layouts below are exactly those the readers decode into a 24- or 32-bit
// picture without error; anything else is left to them.
std::optional<SourceFile> probeTga(const uint8_t* hd, uint64_t fileSize) {
    if (fileSize < 18) return std::nullopt;
    const int type = hd[2], depth = hd[16];
    if ((type != 2 && type != 10) || (depth != 24 && depth != 32)) return std::nullopt;
    SourceFile s{type == 10 ? Layout::TgaRle : Layout::Tga};
    s.width = getLe16s(hd + 12);
    s.height = getLe16s(hd + 14);
    if (!fitsPicture(s.width, s.height)) return std::nullopt;
    const int mapEntries = getLe16s(hd + 5);
    if (mapEntries < 0) return std::nullopt;
    const bool hasMap = hd[1] != 0 && mapEntries != 0;
    s.dataOffset = 18 + uint64_t(hd[0]) + (hasMap ? uint64_t(mapEntries) * ((hd[7] + 7) / 8) : 0);
    if (s.dataOffset > fileSize) return std::nullopt;
    s.pixelBytes = depth / 8;
    const uint64_t data = fileSize - s.dataOffset, pixels = uint64_t(s.width) * uint64_t(s.height);
    if (pixels > (type == 10 ? tgaRleCapacity(data, s.pixelBytes) : data / s.pixelBytes)) return std::nullopt;
    s.topDown = (hd[17] & 0x20) != 0;
    s.rowBytes = size_t(s.width) * s.pixelBytes;
    return s;
}

std::optional<SourceFile> probeBmp(const uint8_t* hd, uint64_t fileSize) {
    if (fileSize < 54 || hd[0] != 'B' || hd[1] != 'M') return std::nullopt;
    const uint32_t headerSize = getLe32(hd + 14);
    if (headerSize < 40 || headerSize > 124 || getLe16(hd + 28) != 24 || getLe32(hd + 30) != 0) return std::nullopt;
    SourceFile s{Layout::Bmp};
    const auto height = static_cast<int32_t>(getLe32(hd + 22));
    s.width = static_cast<int32_t>(getLe32(hd + 18));
    if (height == INT32_MIN || s.width > (1 << 16) || std::abs(height) > (1 << 16)) return std::nullopt;
    s.height = std::abs(height);
    if (!fitsPicture(s.width, s.height)) return std::nullopt;
    s.topDown = height < 0;
    s.dataOffset = getLe32(hd + 10);
    s.rowBytes = static_cast<size_t>(dibStride(s.width, 24));
    if (s.dataOffset >= fileSize || fileSize - s.dataOffset < uint64_t(s.rowBytes) * s.height) return std::nullopt;
    return s;
}

std::optional<SourceFile> probePcx(const uint8_t* hd, uint64_t fileSize) {
    if (fileSize < 128 || hd[0] != 10 || hd[2] > 1) return std::nullopt;
    if (hd[1] != 0 && hd[1] != 2 && hd[1] != 3 && hd[1] != 5) return std::nullopt;
    if (hd[3] != 8 || hd[65] != 3) return std::nullopt;
    auto extent = [](int64_t hi, int64_t lo) -> int64_t {
        const int64_t d = hi - lo;
        return d < INT16_MIN || d > INT16_MAX || d + 1 > INT16_MAX ? -1 : d + 1;
    };
    SourceFile s{hd[2] == 1 ? Layout::PcxRle : Layout::Pcx};
    const int64_t w = extent(getLe16s(hd + 8), getLe16s(hd + 4)), h = extent(getLe16s(hd + 10), getLe16s(hd + 6));
    s.bpl = getLe16s(hd + 66);
    if (!fitsPicture(w, h) || s.bpl < w || 3 * s.bpl > INT16_MAX) return std::nullopt;
    s.width = static_cast<int>(w);
    s.height = static_cast<int>(h);
    s.dataOffset = 128;
    s.rowBytes = size_t(3) * s.bpl;
    s.topDown = true;
    const uint64_t data = fileSize - 128, needed = uint64_t(s.height) * s.rowBytes;
    if (needed > (s.layout == Layout::PcxRle ? pcxRleCapacity(data) : data)) return std::nullopt;
    return s;
}

// The output file: its header, and picture rows turned into its stored rows.
class Target {
public:
    Target(PictureType type, int w, int h) : type_(type), w_(w), h_(h) {
        const size_t packed = size_t(w) * 3;
        switch (type) {
        case PictureType::Tga: rowBytes_ = packed; break;
        case PictureType::Pcx: bpl_ = (w + 1) / 2 * 2; rowBytes_ = size_t(3) * bpl_; break;
        default: rowBytes_ = static_cast<size_t>(dibStride(w, 24)); break;
        }
    }
    bool fits() const {
        if (type_ == PictureType::Tga) return w_ <= INT16_MAX && h_ <= INT16_MAX;
        if (type_ == PictureType::Pcx) return bpl_ <= INT16_MAX && h_ <= INT16_MAX;
        return true;
    }
    bool bottomUp() const { return type_ != PictureType::Pcx; }
    uint64_t headerBytes() const { return type_ == PictureType::Tga ? 18 : type_ == PictureType::Pcx ? 128 : 54; }
    uint64_t fileSize() const { return headerBytes() + uint64_t(rowBytes_) * uint64_t(h_); }
    size_t rowBytes() const { return rowBytes_; }
    const char* writerName() const {
        return type_ == PictureType::Tga ? "SaveTGA" : type_ == PictureType::Pcx ? "SavePCX" : "SavePicture";
    }

    void writeHeader(AtomicFileWriter& out) const {
        uint8_t hd[128] = {};
        switch (type_) {
        case PictureType::Tga:
            hd[2] = 2;
            putLe16(hd + 12, uint32_t(w_));
            putLe16(hd + 14, uint32_t(h_));
            hd[16] = 24;
            out.write(hd, 18);
            break;
        case PictureType::Pcx:
            hd[0] = 10;
            hd[1] = 5;
            hd[3] = 8;
            putLe16(hd + 4, 1);
            putLe16(hd + 6, 1);
            putLe16(hd + 8, uint32_t(w_));
            putLe16(hd + 10, uint32_t(h_));
            putLe16(hd + 12, 96);
            putLe16(hd + 14, 96);
            hd[65] = 3;
            putLe16(hd + 66, uint32_t(bpl_));
            out.write(hd, 128);
            break;
        default: {
            const auto image = static_cast<uint32_t>(rowBytes_ * size_t(h_));
            hd[0] = 'B';
            hd[1] = 'M';
            putLe32(hd + 2, 54 + image);
            putLe32(hd + 10, 54);
            putLe32(hd + 14, 40);
            putLe32(hd + 18, uint32_t(w_));
            putLe32(hd + 22, uint32_t(h_));
            putLe16(hd + 26, 1);
            putLe16(hd + 28, 24);
            putLe32(hd + 34, image);
            putLe32(hd + 38, 3780);  // 96 dpi
            putLe32(hd + 42, 3780);
            out.write(hd, 54);
            break;
        }
        }
    }

    // Stored rows are picture rows of blue-green-red pixels, padded.
    bool packsBgr() const { return type_ != PictureType::Pcx; }
    void padRow(uint8_t* dst) const {
        const size_t packed = size_t(w_) * 3;
        std::memset(dst + packed, 0, rowBytes_ - packed);
    }

    // A picture row of w blue-green-red pixels into the stored row `dst`.
    void encodeRow(const uint8_t* bgr, uint8_t* dst) const {
        const size_t packed = size_t(w_) * 3;
        if (type_ != PictureType::Pcx) {
            std::memcpy(dst, bgr, packed);
            std::memset(dst + packed, 0, rowBytes_ - packed);
            return;
        }
        uint8_t* r = dst;
        uint8_t* g = r + bpl_;
        uint8_t* b = g + bpl_;
        for (int x = 0; x < w_; ++x, bgr += 3) {
            b[x] = bgr[0];
            g[x] = bgr[1];
            r[x] = bgr[2];
        }
        if (bpl_ > w_) r[w_] = g[w_] = b[w_] = 0;
    }

private:
    PictureType type_;
    int w_, h_, bpl_ = 0;
    size_t rowBytes_ = 0;
};

// Planes of red, green and blue into w blue-green-red pixels.
void interleavePlanes(const uint8_t* r, const uint8_t* g, const uint8_t* b, int w, uint8_t* o) {
    int x = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    // 16 pixels at a time, as four vectors of blue-green-red-zero quads; each half of a
    // vector gives two pixels, stored 8 bytes at a time 6 bytes apart (the 2 bytes
    // past them belong to the next pixel, written afterwards).
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 < w; x += 16) {
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i vg = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
        const __m128i vr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + x));
        const __m128i bgLo = _mm_unpacklo_epi8(vb, vg), bgHi = _mm_unpackhi_epi8(vb, vg);
        const __m128i rLo = _mm_unpacklo_epi8(vr, zero), rHi = _mm_unpackhi_epi8(vr, zero);
        const __m128i quads[4] = {_mm_unpacklo_epi16(bgLo, rLo), _mm_unpackhi_epi16(bgLo, rLo),
                                  _mm_unpacklo_epi16(bgHi, rHi), _mm_unpackhi_epi16(bgHi, rHi)};
        for (const __m128i q : quads) {
            for (const auto half : {_mm_cvtsi128_si64(q), _mm_cvtsi128_si64(_mm_unpackhi_epi64(q, q))}) {
                const auto v = static_cast<uint64_t>(half);
                const uint64_t two = (v & 0xFFFFFF) | ((v >> 8) & 0xFFFFFF000000ull);
                std::memcpy(o, &two, 8);
                o += 6;
            }
        }
    }
#endif
    for (; x < w; ++x, o += 3) {
        o[0] = b[x];
        o[1] = g[x];
        o[2] = r[x];
    }
}

// A stored source row into w blue-green-red pixels; packed 24-bit rows are used as
// they are, others are turned in `scratch`.
const uint8_t* pictureRow(const SourceFile& s, const uint8_t* stored, uint8_t* scratch) {
    if (s.packedBgr()) return stored;
    if (s.layout == Layout::Tga || s.layout == Layout::TgaRle) {  // 32-bit: alpha dropped
        if (s.pixelBytes == 3) return stored;
        uint8_t* o = scratch;
        for (int x = 0; x < s.width; ++x, stored += 4, o += 3) {
            o[0] = stored[0];
            o[1] = stored[1];
            o[2] = stored[2];
        }
        return scratch;
    }
    interleavePlanes(stored, stored + s.bpl, stored + 2 * s.bpl, s.width, scratch);
    return scratch;
}

// Decodes the stored rows of a run-length or PCX source one after the other.
class SequentialRows {
public:
    SequentialRows(const SourceFile& s, int fd, const std::string& path)
        : s_(s), in_(fd, s.dataOffset, path), path_(path), row_(s.rowBytes * blockRows(s)), rowsLeft_(s.height) {}

    const uint8_t* next() {
        bool ok;
        const uint8_t* row = row_.data();
        switch (s_.layout) {
        case Layout::TgaRle: ok = nextTgaRow(); break;
        case Layout::PcxRle: ok = nextPcxRow(row); break;
        default: ok = in_.bytes(row_.data(), row_.size()); break;
        }
        if (!ok) {
            const bool tga = s_.layout == Layout::TgaRle;
            throw RuntimeError(err::InvalidPicture, tga ? "LoadTGA" : "LoadPCX",
                               path_ + (tga ? ": truncated TGA data" : ": truncated PCX data"));
        }
        return row;
    }

private:
    // Run-length PCX rows are decoded a block of rows at a time.
    static size_t blockRows(const SourceFile& s) {
        if (s.layout != Layout::PcxRle) return 1;
        return std::clamp<size_t>(BlockBytes / s.rowBytes, 1, static_cast<size_t>(s.height));
    }

    bool nextTgaRow() {
        const size_t p = static_cast<size_t>(s_.pixelBytes);
        uint8_t* o = row_.data();
        for (int x = 0; x < s_.width;) {
            if (runLeft_ == 0 && rawLeft_ == 0) {
                uint8_t h;
                if (!in_.byte(h)) return false;
                if (h & 0x80) {
                    if (!in_.bytes(pixel_, p)) return false;
                    runLeft_ = h - 127u;
                } else {
                    rawLeft_ = h + 1u;
                }
            }
            const size_t n = std::min<size_t>(runLeft_ ? runLeft_ : rawLeft_, size_t(s_.width - x));
            if (runLeft_) {
                for (size_t i = 0; i < n; ++i, o += p) std::memcpy(o, pixel_, p);
                runLeft_ -= static_cast<unsigned>(n);
            } else {
                if (!in_.bytes(o, n * p)) return false;
                o += n * p;
                rawLeft_ -= static_cast<unsigned>(n);
            }
            x += static_cast<int>(n);
        }
        return true;
    }

    // Runs carry across lines and planes; each piece of the file read is decoded in one call.
    bool nextPcxRow(const uint8_t*& row) {
        if (blockUsed_ == blockFilled_) {
            const size_t rows = std::min(row_.size() / s_.rowBytes, rowsLeft_);
            rowsLeft_ -= rows;
            blockUsed_ = 0;
            blockFilled_ = rows * s_.rowBytes;
            for (size_t done = 0; done < blockFilled_;) {
                size_t used = 0;
                const size_t got = pcx_.decode(in_.window(), std::span<uint8_t>(row_.data() + done, blockFilled_ - done), used);
                if (got == 0 && used == 0) return false;  // the file ends first
                in_.take(used);
                done += got;
            }
        }
        row = row_.data() + blockUsed_;
        blockUsed_ += s_.rowBytes;
        return true;
    }

    const SourceFile& s_;
    ChunkReader in_;
    const std::string& path_;
    FileBuffer row_;
    uint8_t pixel_[4] = {};
    unsigned runLeft_ = 0, rawLeft_ = 0;
    PcxRleDecoder pcx_;
    size_t rowsLeft_, blockUsed_ = 0, blockFilled_ = 0;
};

[[noreturn]] void raiseShrank(const std::string& path) {
    throw RuntimeError(err::InvalidPicture, "LoadPicture", path + ": the file shrank while it was read");
}

// Random-access source: blocks of stored rows read in the order the target stores
// them; rows that already are the target's are copied file to file.
void copyRandomAccess(const SourceFile& s, int fd, const std::string& path, const Target& t, AtomicFileWriter& out) {
    const int h = s.height;
    const bool sameOrder = t.bottomUp() != s.topDown;  // target row i is source row i
    const bool identical = sameOrder && s.packedBgr() && s.rowBytes == t.rowBytes() &&
                           (s.layout == Layout::Tga || s.rowBytes == size_t(s.width) * 3);
    if (identical) {
        if (!out.copyFrom(fd, s.dataOffset, uint64_t(h) * s.rowBytes)) raiseShrank(path);
        return;
    }
    const int block = static_cast<int>(std::max<size_t>(1, ChunkBytes / s.rowBytes));
    FileBuffer in(size_t(block) * s.rowBytes), encoded(size_t(block) * t.rowBytes());
    std::vector<uint8_t> scratch(size_t(s.width) * 3);
    for (int i0 = 0; i0 < h; i0 += block) {
        const int n = std::min(block, h - i0);
        // Source rows of target rows i0 .. i0 + n - 1.
        const int first = sameOrder ? i0 : h - i0 - n;
        if (!readAt(fd, in.data(), size_t(n) * s.rowBytes, s.dataOffset + uint64_t(first) * s.rowBytes, path))
            raiseShrank(path);
        for (int k = 0; k < n; ++k) {
            const uint8_t* stored = in.data() + size_t(sameOrder ? k : n - 1 - k) * s.rowBytes;
            t.encodeRow(pictureRow(s, stored, scratch.data()), encoded.data() + size_t(k) * t.rowBytes());
        }
        out.write(encoded.data(), size_t(n) * t.rowBytes());
    }
}

// Sequential source: rows decoded in file order, a block at a time; when the target
// stores them the other way round, each block goes to its final place in the file.
void copySequential(const SourceFile& s, int fd, const std::string& path, const Target& t, AtomicFileWriter& out) {
    const int h = s.height;
    const bool sameOrder = t.bottomUp() != s.topDown;
    SequentialRows rows(s, fd, path);
    std::vector<uint8_t> scratch(size_t(s.width) * 3);
    const int block = static_cast<int>(std::clamp<size_t>(BlockBytes / t.rowBytes(), 1, static_cast<size_t>(h)));
    FileBuffer encoded(size_t(block) * t.rowBytes());
    for (int k0 = 0; k0 < h; k0 += block) {
        const int n = std::min(block, h - k0);
        for (int k = 0; k < n; ++k) {
            uint8_t* dst = encoded.data() + size_t(sameOrder ? k : n - 1 - k) * t.rowBytes();
            if (!t.packsBgr()) {
                t.encodeRow(pictureRow(s, rows.next(), scratch.data()), dst);
                continue;
            }
            // Built in place when the source row needs turning anyway.
            const uint8_t* bgr = pictureRow(s, rows.next(), dst);
            if (bgr != dst) std::memcpy(dst, bgr, size_t(s.width) * 3);
            t.padRow(dst);
        }
        const size_t bytes = size_t(n) * t.rowBytes();
        if (sameOrder)
            out.write(encoded.data(), bytes);
        else
            out.writeAt(t.headerBytes() + uint64_t(h - k0 - n) * t.rowBytes(), encoded.data(), bytes);
    }
}

}  // namespace

bool convertByRows(const std::string& sourcePath, PictureType from, const std::string& outputPath, PictureType to) {
    auto streamed = [](PictureType t) { return t == PictureType::Tga || t == PictureType::Pcx || t == PictureType::Bmp; };
    if (!streamed(from) || !streamed(to)) return false;
    FileDescriptor fd(openSourceFile(sourcePath, "LoadPicture"));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    uint8_t header[128] = {};
    const auto size = static_cast<uint64_t>(st.st_size);
    if (!readAt(fd.get(), header, static_cast<size_t>(std::min<uint64_t>(size, sizeof header)), 0, sourcePath))
        return false;
    std::optional<SourceFile> source = from == PictureType::Tga   ? probeTga(header, size)
                                       : from == PictureType::Pcx ? probePcx(header, size)
                                                                  : probeBmp(header, size);
    if (!source) return false;
    const Target target(to, source->width, source->height);
    if (!target.fits()) return false;

    AtomicFileWriter out(outputPath, target.writerName());
    out.reserve(target.fileSize());
    target.writeHeader(out);
    if (source->randomAccess())
        copyRandomAccess(*source, fd.get(), sourcePath, target, out);
    else
        copySequential(*source, fd.get(), sourcePath, target, out);
    out.commit();
    return true;
}

}  // namespace nalo::tgapcx
