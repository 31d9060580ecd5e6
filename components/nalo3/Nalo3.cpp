// Nalo3.dll: BMP to baseline JPEG over libjpeg-turbo.
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
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

// Encodes the bitmap into `file`. No C++ object with a destructor lives between
// setjmp and the library calls that may jump back.
bool encode(const nalo::Dib& dib, FILE* file, int quality, bool optimise, bool subsample, uint8_t* rowBuffer) {
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
    cinfo.image_width = static_cast<JDIMENSION>(dib.width());
    cinfo.image_height = static_cast<JDIMENSION>(dib.height());
    cinfo.input_components = dib.bitCount() == 32 ? 4 : 3;
    cinfo.in_color_space = dib.bitCount() == 32 ? JCS_EXT_BGRX : dib.bitCount() == 24 ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = optimise ? TRUE : FALSE;
    if (!subsample) {
        cinfo.comp_info[0].h_samp_factor = 1;
        cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const bool paletted = dib.bitCount() <= 8;
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = static_cast<int>(cinfo.next_scanline);
        JSAMPROW row;
        if (paletted) {
            expandRow(dib, y, rowBuffer);
            row = rowBuffer;
        } else {
            row = const_cast<JSAMPROW>(dib.row(y));
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool convert(const char* bmpPath, const char* jpgPath, int32_t a, int32_t quality, int32_t b) {
    nalo::Dib dib;
    try {
        dib = nalo::readBmpFile(bmpPath);
    } catch (const std::exception&) {
        return false;
    }
    std::vector<uint8_t> rowBuffer(dib.bitCount() <= 8 ? static_cast<size_t>(dib.width()) * 3 : 0);

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
    // A: optimised Huffman tables; B: 2x2 chroma subsampling (else full chroma).
    bool ok = encode(dib, file, quality < 1 ? 1 : quality > 100 ? 100 : quality, a != 0, b != 0, rowBuffer.data());
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
