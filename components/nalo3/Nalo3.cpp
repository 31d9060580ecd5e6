// Nalo3.dll: BMP to baseline JPEG over libjpeg-turbo.
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

#include "codecs/BmpDecoder.h"
#include "platform/FileBytes.h"
#include "platform/FileDescriptor.h"
#include "components/Export.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void silent(j_common_ptr, int) {}

// Expands one row of a paletted bitmap into RGB.
void expandRow(const nalo::Dib& dib, int y, uint8_t* out) {
    const uint8_t* src = dib.row(y);
    const auto& table = dib.colourTable();
    const int bits = dib.bitCount(), w = dib.width();
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < w; ++x) {
        unsigned bit = static_cast<unsigned>(x) * bits;
        unsigned index = (src[bit >> 3] >> (8 - bits - (bit & 7))) & mask;
        const nalo::RgbQuad& q = table[index];
        *out++ = q.red;
        *out++ = q.green;
        *out++ = q.blue;
    }
}

// Where encode takes its rows from: top row first, as B, G, R[, X] or R, G, B bytes.
struct RowSource {
    int width = 0, height = 0;
    int components = 3;
    J_COLOR_SPACE space = JCS_EXT_BGR;
    std::function<const uint8_t*(int y)> row;
};


// The rows of an uncompressed 24-bit BMP, read from the file in large blocks of whole
// rows into one reused buffer, in the order the encoder asks for them (top row first).
class DirectRows {
public:
    // False unless the header (the first 54 bytes, `fileSize` long file) describes one.
    bool open(int fd, const uint8_t* d, int64_t fileSize) {
        auto u32 = [d](size_t at) { return d[at] | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) | (uint32_t(d[at + 3]) << 24); };
        if (d[0] != 'B' || d[1] != 'M') return false;
        const uint32_t header = u32(14);
        if (header < 40 || header > 124 || (d[28] | (d[29] << 8)) != 24 || u32(30) != 0) return false;
        const int32_t w = static_cast<int32_t>(u32(18)), h = static_cast<int32_t>(u32(22));
        if (w <= 0 || w > 65536 || h == 0 || h < -65536 || h > 65536) return false;
        fd_ = fd;
        offset_ = u32(10);
        width_ = w;
        height_ = h < 0 ? -h : h;
        topDown_ = h < 0;
        stride_ = ((int64_t(w) * 24 + 31) / 32) * 4;
        if (offset_ + stride_ * height_ > fileSize) return false;
        blockRows_ = static_cast<int>(std::clamp<int64_t>(BlockBytes / stride_, 1, height_));
        buffer_.resize(static_cast<size_t>(stride_ * blockRows_));
        return true;
    }
    int width() const { return width_; }
    int height() const { return static_cast<int>(height_); }

    // Row y counted from the top; nullptr when the file no longer holds it.
    const uint8_t* row(int y) {
        if (y < first_ || y >= first_ + count_) {
            first_ = y;
            count_ = static_cast<int>(std::min<int64_t>(blockRows_, height_ - y));
            // Rows y .. y + count - 1 lie together in the file, in reverse order bottom-up.
            const int64_t fileRow = topDown_ ? y : height_ - y - count_;
            if (!nalo::readFullyAt(fd_, buffer_.data(), static_cast<size_t>(stride_ * count_), offset_ + stride_ * fileRow)) {
                count_ = 0;
                return nullptr;
            }
        }
        const int i = y - first_;
        return buffer_.data() + stride_ * (topDown_ ? i : count_ - 1 - i);
    }

private:
    static constexpr int64_t BlockBytes = int64_t(2) << 20;
    int fd_ = -1;
    int64_t offset_ = 0, stride_ = 0, height_ = 0;
    int width_ = 0, blockRows_ = 0, first_ = 0, count_ = 0;
    bool topDown_ = false;
    nalo::FileBuffer buffer_;
};

// Encodes the rows into `file`. No C++ object with a destructor lives between
// setjmp and the library calls that may jump back.
bool encode(const RowSource& src, FILE* file, int quality, bool optimise, bool subsample) {
    jpeg_compress_struct cinfo;
    ErrorManager jerr;
    cinfo.err = jpeg_std_error(&jerr.base);
    jerr.base.error_exit = onJpegError;
    jerr.base.emit_message = silent;
    if (setjmp(jerr.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = static_cast<JDIMENSION>(src.width);
    cinfo.image_height = static_cast<JDIMENSION>(src.height);
    cinfo.input_components = src.components;
    cinfo.in_color_space = src.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = optimise ? TRUE : FALSE;
    if (!subsample) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(src.row(static_cast<int>(cinfo.next_scanline)));
        if (!row) {
            jpeg_destroy_compress(&cinfo);
            return false;
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

bool convert(const char* bmpPath, const char* jpgPath, int32_t a, int32_t quality, int32_t b) {
    // The source is read, never mapped: a file cut short meanwhile gives a failed read
    // here, not a fault in the encoder.
    const FdCloser source{nalo::openSourceFile(bmpPath, "Nalo3")};
    struct stat st {};
    if (::fstat(source.fd, &st) != 0 || st.st_size < 54) return false;
    uint8_t head[54];
    if (!nalo::readFullyAt(source.fd, head, sizeof head, 0)) return false;
    RowSource src;
    DirectRows direct;
    nalo::Dib dib;
    std::vector<uint8_t> rowBuffer;
    if (direct.open(source.fd, head, st.st_size)) {
        src.width = direct.width();
        src.height = direct.height();
        src.components = 3;
        src.space = JCS_EXT_BGR;
        src.row = [&direct](int y) { return direct.row(y); };
    } else {
        // Every other layout goes through the full decoder.
        nalo::FileBuffer bytes(static_cast<size_t>(st.st_size));
        if (!nalo::readFullyAt(source.fd, bytes.data(), bytes.size(), 0)) return false;
        dib = nalo::decodeBmp(std::span<const uint8_t>(bytes.data(), bytes.size()), bmpPath);
        src.width = dib.width();
        src.height = dib.height();
        src.components = dib.bitCount() == 32 ? 4 : 3;
        src.space = dib.bitCount() == 32 ? JCS_EXT_BGRX : dib.bitCount() == 24 ? JCS_EXT_BGR : JCS_RGB;
        if (dib.bitCount() <= 8) {
            rowBuffer.resize(static_cast<size_t>(dib.width()) * 3);
            src.row = [&dib, &rowBuffer](int y) {
                expandRow(dib, y, rowBuffer.data());
                return static_cast<const uint8_t*>(rowBuffer.data());
            };
        } else {
            src.row = [&dib](int y) { return dib.row(y); };
        }
    }

    // Written beside the target, renamed over it when complete.
    nalo::AtomicFileWriter out(jpgPath, "Nalo3");
    // A: standard baseline tables (the extra optimising pass is never taken, it costs a
    // third of the time for a few per cent of size); B: 2x2 chroma subsampling.
    (void)a;
    if (!encode(src, out.stream(), quality < 1 ? 1 : quality > 100 ? 100 : quality, false, b != 0)) return false;
    out.commit();
    return true;
}

}  // namespace

// Converts a BMP file into a baseline JPEG at the given quality (1..100; the program
// passes 40..100). Non-zero on success; on failure no JPEG file is left behind.
NALO_EXPORT int32_t ConvertBMPtoJPG(const char* bmpPath, const char* jpgPath, int32_t a, int32_t quality, int32_t b) {
    if (!bmpPath || !jpgPath || !*bmpPath || !*jpgPath) return 0;
    try {
        return convert(bmpPath, jpgPath, a, quality, b) ? 1 : 0;
    } catch (...) {
        return 0;  // no exception crosses the component's boundary
    }
}
