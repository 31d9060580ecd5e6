// JPEG decoding with libjpeg-turbo, straight into the rows of the picture.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/PictureBudget.h"
#include "platform/PictureDecoders.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// libjpeg reports errors through error_exit, which must not return: it jumps back to
// the setjmp of the step that is running. Each step function below holds only
// trivially destructible locals, so the jump skips no destructor.
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->message);
    std::longjmp(e->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    // A premature end of the data is an error here; other warnings are tolerated.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) onError(cinfo);
}

bool readHeader(jpeg_decompress_struct* cinfo, JpegError* err, const uint8_t* data, unsigned long size) {
    if (setjmp(err->jump)) return false;
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    return true;
}

bool start(jpeg_decompress_struct* cinfo, JpegError* err) {
    if (setjmp(err->jump)) return false;
    jpeg_start_decompress(cinfo);
    return true;
}

bool readSome(jpeg_decompress_struct* cinfo, JpegError* err, JSAMPARRAY rows, JDIMENSION count, JDIMENSION* got) {
    if (setjmp(err->jump)) return false;
    *got = jpeg_read_scanlines(cinfo, rows, count);
    return true;
}

bool readRows(jpeg_decompress_struct* cinfo, JpegError* err, JSAMPARRAY rows, JDIMENSION count) {
    while (count > 0) {
        JDIMENSION n = 0;
        if (!readSome(cinfo, err, rows, count, &n) || n == 0) return false;
        rows += n;
        count -= n;
    }
    return true;
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    Decompressor() {
        cinfo.err = jpeg_std_error(&err.mgr);
        err.mgr.error_exit = onError;
        err.mgr.emit_message = onMessage;
        jpeg_create_decompress(&cinfo);
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

}  // namespace

Dib decodeJpeg(std::span<const uint8_t> data, const std::string& name) {
    static const std::string source = "LoadPicture";
    Decompressor d;
    auto fail = [&](const char* why) { raiseInvalidPicture(source, name, why ? why : d.err.message); };
    if (!readHeader(&d.cinfo, &d.err, data.data(), static_cast<unsigned long>(data.size()))) fail(nullptr);

    const int64_t w = d.cinfo.image_width, h = d.cinfo.image_height;
    if (w <= 0 || h <= 0) fail("empty picture");
    CheckPictureBudget(w, h, name, source);
    // Huffman-coded data spends at least one bit on every block of the full-resolution
    // component, so a header promising more blocks than the data holds bits is refused.
    if (!d.cinfo.arith_code && ((w + 7) / 8) * ((h + 7) / 8) > static_cast<int64_t>(data.size()) * 8)
        fail("truncated data");

    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    if (!start(&d.cinfo, &d.err)) fail(nullptr);

    Dib pic(static_cast<int>(w), static_cast<int>(h), 24, false);
    const int chunk = d.cinfo.rec_outbuf_height > 0 ? d.cinfo.rec_outbuf_height : 1;
    std::vector<JSAMPROW> rows(static_cast<size_t>(chunk));
    if (!cmyk) {
        while (d.cinfo.output_scanline < d.cinfo.output_height) {
            JDIMENSION y = d.cinfo.output_scanline;
            JDIMENSION n = std::min<JDIMENSION>(static_cast<JDIMENSION>(chunk), d.cinfo.output_height - y);
            for (JDIMENSION i = 0; i < n; ++i) rows[i] = pic.row(static_cast<int>(y + i));
            if (!readRows(&d.cinfo, &d.err, rows.data(), n)) fail(nullptr);
        }
    } else {
        // Adobe writes CMYK inverted (0 = full ink); others store ink amounts.
        const bool inverted = d.cinfo.saw_Adobe_marker;
        std::vector<uint8_t> line(static_cast<size_t>(w) * 4);
        rows[0] = line.data();
        for (int y = 0; y < h; ++y) {
            if (!readRows(&d.cinfo, &d.err, rows.data(), 1)) fail(nullptr);
            uint8_t* out = pic.row(y);
            for (int64_t x = 0; x < w; ++x) {
                unsigned c = line[x * 4], m = line[x * 4 + 1], ye = line[x * 4 + 2], k = line[x * 4 + 3];
                if (!inverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
                out[x * 3] = static_cast<uint8_t>((ye * k + 127) / 255);
                out[x * 3 + 1] = static_cast<uint8_t>((m * k + 127) / 255);
                out[x * 3 + 2] = static_cast<uint8_t>((c * k + 127) / 255);
            }
        }
    }
    // Trailing data after the last row does not matter; the decompressor is destroyed.
    return pic;
}

}  // namespace nalo
