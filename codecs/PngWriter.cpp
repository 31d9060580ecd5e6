#include "codecs/PngWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <strings.h>

#include <png.h>

#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

// Where the encoded bytes go: a byte vector or a file writer. A failure of the
// sink is kept here and raised once libpng has unwound.
struct PngOutput {
    std::vector<uint8_t>* bytes = nullptr;
    AtomicFileWriter* file = nullptr;
    std::exception_ptr failure;
    char message[200] = "cannot encode PNG";
};

void writeData(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
    try {
        if (out->file) out->file->write(data, size);
        else out->bytes->insert(out->bytes->end(), data, data + size);
    } catch (...) {
        out->failure = std::current_exception();
        png_error(png, "write failed");
    }
}

void flushData(png_structp) {}

// libpng's error handler must not return: it jumps back to the setjmp in
// writeRows, whose frame holds only trivially destructible locals.
void onError(png_structp png, png_const_charp text) {
    auto* out = static_cast<PngOutput*>(png_get_io_ptr(png));
    std::snprintf(out->message, sizeof out->message, "%s", text);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

struct PngWriteStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngWriteStruct() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~PngWriteStruct() { png_destroy_write_struct(&png, info ? &info : nullptr); }
    PngWriteStruct(const PngWriteStruct&) = delete;
    PngWriteStruct& operator=(const PngWriteStruct&) = delete;
};

bool writeRows(png_structp png, png_infop info, const Dib& picture, const png_color* palette, int paletteSize) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int bits = picture.bitCount();
    const int colourType = bits <= 8 ? PNG_COLOR_TYPE_PALETTE : bits == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA;
    png_set_IHDR(png, info, png_uint_32(picture.width()), png_uint_32(picture.height()), bits <= 8 ? bits : 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (bits <= 8) png_set_PLTE(png, info, palette, paletteSize);
    // Fast deflate with one filter per row chosen from Sub, Up and Paeth.
    png_set_compression_level(png, 3);
    if (bits > 8) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP | PNG_FILTER_PAETH);
    png_write_info(png, info);
    if (bits > 8) png_set_bgr(png);
    for (int y = 0; y < picture.height(); ++y) png_write_row(png, picture.row(y));
    png_write_end(png, info);
    return true;
}

void encode(const Dib& picture, PngOutput& out, const std::string& name) {
    static const std::string source = "SavePicture";
    const int bits = picture.bitCount();
    if (picture.empty() || !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        throw RuntimeError(err::InvalidPicture, source, name + ": no picture to save as PNG");
    png_color palette[256] = {};
    const int paletteSize = bits <= 8 ? int(std::min<size_t>(picture.colourTable().size(), size_t(1) << bits)) : 0;
    for (int i = 0; i < paletteSize; ++i) {
        const RgbQuad& q = picture.colourTable()[size_t(i)];
        palette[i] = {q.red, q.green, q.blue};
    }
    PngWriteStruct w;
    if (!w.png || !w.info) throw RuntimeError(err::OutOfMemory, source, name + ": out of memory");
    png_set_write_fn(w.png, &out, writeData, flushData);
    if (!writeRows(w.png, w.info, picture, palette, paletteSize)) {
        if (out.failure) std::rethrow_exception(out.failure);
        throw RuntimeError(err::InvalidPicture, source, name + ": " + out.message);
    }
}

}  // namespace

std::vector<uint8_t> encodePng(const Dib& picture, const std::string& name) {
    std::vector<uint8_t> bytes;
    PngOutput out;
    out.bytes = &bytes;
    encode(picture, out, name);
    return bytes;
}

void savePicturePng(const Dib& picture, const std::string& path, const std::string& source) {
    AtomicFileWriter file(path, source);
    PngOutput out;
    out.file = &file;
    encode(picture, out, path);
    file.commit();
}

bool hasPngExtension(const std::string& path) {
    return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
}

}  // namespace nalo
