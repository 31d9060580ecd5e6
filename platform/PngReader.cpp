// PNG decoding with libpng: every colour type expanded to 8-bit B, G, R (and
// A).
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

#include "platform/PictureBudget.h"
#include "platform/PictureDecoders.h"
#include "platform/PictureOrientation.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

struct PngInput {
    std::span<const uint8_t> data;
    size_t pos = 0;
    char message[200] = "invalid PNG data";
};

void readData(png_structp png, png_bytep out, size_t size) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (size > in->data.size() - in->pos) png_error(png, "truncated data");
    std::memcpy(out, in->data.data() + in->pos, size);
    in->pos += size;
}

// libpng reports errors through this function, which must not return: it jumps
// back to the setjmp of the step that is running. The step functions below hold
// only trivially destructible locals, so the jump skips no destructor.
void onError(png_structp png, png_const_charp text) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    std::snprintf(in->message, sizeof in->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngReader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
};

// Reads the header and sets the transformations to 8-bit B, G, R with A when
// the file has alpha or a tRNS chunk. Gives the number of passes (7 when
// interlaced). Also gives the file's own bits per pixel.
bool readHeader(png_structp png, png_infop info, int* passes, int* bitsPerPixel) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    *bitsPerPixel = png_get_bit_depth(png, info) * png_get_channels(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool readRows(png_structp png, png_bytepp rows, int height, int passes) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) png_read_row(png, rows[y], nullptr);
    return true;
}

}  // namespace

DecodedPicture decodePng(std::span<const uint8_t> data, const std::string& name) {
    static const std::string source = "LoadPicture";
    PngInput input{data};
    PngReader r;
    if (!r.png || !r.info) throw RuntimeError(err::OutOfMemory, source, name + ": out of memory");
    png_set_read_fn(r.png, &input, readData);
    // The picture budget, not libpng's own size limits, decides what is too
    // large.
    png_set_user_limits(r.png, 0x7fffffff, 0x7fffffff);
    int passes = 1, bitsPerPixel = 8;
    if (!readHeader(r.png, r.info, &passes, &bitsPerPixel)) raiseInvalidPicture(source, name, input.message);

    const int64_t w = png_get_image_width(r.png, r.info), h = png_get_image_height(r.png, r.info);
    const int channels = png_get_channels(r.png, r.info);
    if (w <= 0 || h <= 0) raiseInvalidPicture(source, name, "empty picture");
    CheckPictureBudget(w, h, name, source);
    if ((channels != 3 && channels != 4) || png_get_rowbytes(r.png, r.info) != static_cast<size_t>(w * channels))
        raiseInvalidPicture(source, name, "unsupported pixel format");
    // Deflate packs at most 1032 bytes into one: a header promising more rows
    // than the rest of the file can hold is refused before its picture is
    // allocated.
    const int64_t packed = h * ((w * bitsPerPixel + 7) / 8 + 1);
    if (packed / 1032 > static_cast<int64_t>(data.size() - input.pos) + 64)
        raiseInvalidPicture(source, name, "picture too large for its data");

    DecodedPicture out;
    png_bytep exif = nullptr;
    png_uint_32 exifSize = 0;
    if (png_get_eXIf_1(r.png, r.info, &exifSize, &exif) && exif) out.orientation = exifOrientation({exif, exifSize});
    out.picture = Dib(static_cast<int>(w), static_cast<int>(h), 24, false);
    std::vector<uint8_t> staging;
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    if (channels == 4) {
        staging.resize(static_cast<size_t>(w * h * 4));
        for (int64_t y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = staging.data() + y * w * 4;
    } else {
        for (int y = 0; y < h; ++y) rows[static_cast<size_t>(y)] = out.picture.row(y);
    }
    if (!readRows(r.png, rows.data(), static_cast<int>(h), passes)) raiseInvalidPicture(source, name, input.message);
    if (channels == 4) splitBgra(staging.data(), static_cast<size_t>(w * 4), out);
    return out;
}

}  // namespace nalo
