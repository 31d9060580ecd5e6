// Nalo3.dll: BMP to baseline JPEG over libjpeg-turbo.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <functional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

#include "codecs/BmpDecoder.h"
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

// An uncompressed 24-bit BMP read in place from the mapped file (no copy).
bool directRows(const uint8_t* d, size_t size, RowSource& src) {
    auto u32 = [d](size_t at) { return d[at] | (uint32_t(d[at + 1]) << 8) | (uint32_t(d[at + 2]) << 16) | (uint32_t(d[at + 3]) << 24); };
    if (size < 54 || d[0] != 'B' || d[1] != 'M') return false;
    const uint32_t header = u32(14), offset = u32(10);
    if (header < 40 || header > 124 || (d[28] | (d[29] << 8)) != 24 || u32(30) != 0) return false;
    const int32_t w = static_cast<int32_t>(u32(18)), h = static_cast<int32_t>(u32(22));
    if (w <= 0 || w > 65536 || h == 0 || h < -65536 || h > 65536) return false;
    const int64_t absH = h < 0 ? -int64_t(h) : h;
    const int64_t stride = ((int64_t(w) * 24 + 31) / 32) * 4;
    if (int64_t(offset) + stride * absH > static_cast<int64_t>(size)) return false;
    const uint8_t* base = d + offset;
    src.width = w;
    src.height = static_cast<int>(absH);
    src.components = 3;
    src.space = JCS_EXT_BGR;
    src.row = [base, stride, absH, topDown = h < 0](int y) { return base + stride * (topDown ? y : absH - 1 - y); };
    return true;
}

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
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct MappedFile {
    void* data = MAP_FAILED;
    size_t size = 0;
    ~MappedFile() {
        if (data != MAP_FAILED) ::munmap(data, size);
    }
};

bool mapFile(const char* path, MappedFile& m) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        ::close(fd);
        return false;
    }
    m.size = static_cast<size_t>(st.st_size);
    m.data = ::mmap(nullptr, m.size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    return m.data != MAP_FAILED;
}

bool convert(const char* bmpPath, const char* jpgPath, int32_t a, int32_t quality, int32_t b) {
    MappedFile mapped;
    if (!mapFile(bmpPath, mapped)) return false;
    const auto* bytes = static_cast<const uint8_t*>(mapped.data);
    RowSource src;
    nalo::Dib dib;
    std::vector<uint8_t> rowBuffer;
    if (!directRows(bytes, mapped.size, src)) {
        // Every other layout goes through the full decoder.
        try {
            dib = nalo::decodeBmp(std::span<const uint8_t>(bytes, mapped.size), bmpPath);
        } catch (const std::exception&) {
            return false;
        }
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

    // Written under a temporary name beside the target, renamed over it when complete.
    std::string temp = std::string(jpgPath) + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    // A: standard baseline tables (the extra optimising pass is never taken, it costs a
    // third of the time for a few per cent of size); B: 2x2 chroma subsampling.
    (void)a;
    bool ok = encode(src, file, quality < 1 ? 1 : quality > 100 ? 100 : quality, false, b != 0);
    ok = std::fflush(file) == 0 && !std::ferror(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), jpgPath) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace

// Converts a BMP file into a baseline JPEG at the given quality (1..100; the program
// passes 40..100). Non-zero on success; on failure no JPEG file is left behind.
NALO_EXPORT int32_t ConvertBMPtoJPG(const char* bmpPath, const char* jpgPath, int32_t a, int32_t quality, int32_t b) {
    if (!bmpPath || !jpgPath || !*bmpPath || !*jpgPath) return 0;
    return convert(bmpPath, jpgPath, a, quality, b) ? 1 : 0;
}
