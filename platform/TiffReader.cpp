// TIFF decoding with libtiff's RGBA interface, band by band in the file's own
// row order: RGB, palette and grey at the depths and compressions libtiff
// reads.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "platform/PictureBudget.h"
#include "platform/PictureDecoders.h"

namespace nalo {

namespace {

struct TiffInput {
    std::span<const uint8_t> data;
    uint64_t pos = 0;
    char message[200] = "invalid TIFF data";
};

TiffInput* inputOf(thandle_t h) { return static_cast<TiffInput*>(h); }

tmsize_t readProc(thandle_t h, void* buf, tmsize_t size) {
    TiffInput* in = inputOf(h);
    if (size < 0 || in->pos >= in->data.size()) return 0;
    const size_t n = std::min<uint64_t>(static_cast<uint64_t>(size), in->data.size() - in->pos);
    std::memcpy(buf, in->data.data() + in->pos, n);
    in->pos += n;
    return static_cast<tmsize_t>(n);
}
tmsize_t writeProc(thandle_t, void*, tmsize_t) { return -1; }
toff_t seekProc(thandle_t h, toff_t off, int whence) {
    TiffInput* in = inputOf(h);
    const uint64_t base = whence == SEEK_CUR ? in->pos : whence == SEEK_END ? in->data.size() : 0;
    in->pos = base + off;
    return in->pos;
}
int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return inputOf(h)->data.size(); }

int onError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* in = static_cast<TiffInput*>(user);
    char text[160];
    std::vsnprintf(text, sizeof text, fmt, ap);
    std::snprintf(in->message, sizeof in->message, "%s%s%s", module ? module : "", module ? ": " : "", text);
    return 1;
}
int onWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff turns a 16-bit colour map into 8 bits by its high byte (49965 gives
// 195), not by scaling as ImageMagick does (v * 255 / 65535, 194). The palette
// lookup built by TIFFRGBAImageBegin is rebuilt scaled (a map whose entries all
// fit 8 bits is an old 8-bit map, kept).
void scalePaletteMap(TIFF* tif, TIFFRGBAImage& img) {
    const int bits = img.bitspersample;
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (img.photometric != PHOTOMETRIC_PALETTE || !img.PALmap || bits > 8 ||
        !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
        return;
    const int entries = 1 << bits;
    bool wide = false;
    for (int i = 0; i < entries; ++i) wide |= red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    auto eight = [wide](uint16_t v) { return wide ? uint32_t(v) * 255 / 65535 : uint32_t(v); };
    const int perByte = 8 / bits, mask = entries - 1;
    for (int byte = 0; byte < 256; ++byte)
        for (int k = 0; k < perByte; ++k) {
            const int c = (byte >> (8 - bits * (k + 1))) & mask;
            img.PALmap[byte][k] = eight(red[c]) | eight(green[c]) << 8 | eight(blue[c]) << 16 | 0xffu << 24;
        }
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct RgbaImage {
    TIFFRGBAImage img{};
    bool begun = false;
    ~RgbaImage() {
        if (begun) TIFFRGBAImageEnd(&img);
    }
};

}  // namespace

DecodedPicture decodeTiff(std::span<const uint8_t> data, const std::string& name) {
    static const std::string source = "LoadPicture";
    TiffInput input{data};
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) raiseInvalidPicture(source, name, "out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &input);
    // No single block beyond what the largest budgeted strip could need.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(1) << 31);
    // "m": no memory mapping, the procedures above read the buffer.
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt(name.c_str(), "rm", &input, readProc, writeProc, seekProc,
                                                            closeProc, sizeProc, nullptr, nullptr, options.get()));
    if (!tif) raiseInvalidPicture(source, name, input.message);

    uint32_t w = 0, h = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0) raiseInvalidPicture(source, name, "empty picture");
    CheckPictureBudget(w, h, name, source);

    RgbaImage rgba;
    char why[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), why)) raiseInvalidPicture(source, name, why);
    if (!TIFFRGBAImageBegin(&rgba.img, tif.get(), 0, why)) raiseInvalidPicture(source, name, why);
    rgba.begun = true;
    scalePaletteMap(tif.get(), rgba.img);
    // Rows in the file's own order; the orientation is applied by the loader.
    rgba.img.req_orientation = rgba.img.orientation;

    DecodedPicture out;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation)) out.orientation = orientation;
    uint32_t band = 0;
    if (TIFFIsTiled(tif.get())) {
        // libtiff allocates whole tiles: a tile far larger than the picture (a small
        // hostile file claiming a gigabyte tile) is refused before that allocation.
        uint32_t tileWidth = 0;
        TIFFGetField(tif.get(), TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &band);
        if (uint64_t(tileWidth) * band > std::max<uint64_t>(uint64_t(1) << 22, uint64_t(w) * h * 4))
            raiseInvalidPicture(source, name, "tiles larger than the picture");
    } else
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &band);
    band = std::clamp<uint32_t>(band, 1, h);

    out.picture = Dib(static_cast<int>(w), static_cast<int>(h), 24, false);
    const bool hasAlpha = rgba.img.alpha != 0;
    if (hasAlpha) out.alpha.resize(size_t(w) * h);
    std::vector<uint32_t> raster(size_t(w) * band);
    for (uint32_t y0 = 0; y0 < h; y0 += band) {
        const uint32_t rows = std::min(band, h - y0);
        rgba.img.row_offset = static_cast<int>(y0);
        rgba.img.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.img, raster.data(), w, rows)) raiseInvalidPicture(source, name, input.message);
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t* in = raster.data() + size_t(r) * w;
            uint8_t* p = out.picture.row(static_cast<int>(y0 + r));
            uint8_t* a = hasAlpha ? out.alpha.data() + size_t(y0 + r) * w : nullptr;
            for (uint32_t x = 0; x < w; ++x, p += 3) {
                const uint32_t v = in[x];
                uint32_t red = TIFFGetR(v), green = TIFFGetG(v), blue = TIFFGetB(v);
                if (a) {
                    // The interface gives colours multiplied by alpha: undo that.
                    const uint32_t al = TIFFGetA(v);
                    a[x] = static_cast<uint8_t>(al);
                    if (al != 0 && al != 255) {
                        red = std::min<uint32_t>(255, (red * 255 + al / 2) / al);
                        green = std::min<uint32_t>(255, (green * 255 + al / 2) / al);
                        blue = std::min<uint32_t>(255, (blue * 255 + al / 2) / al);
                    }
                }
                p[0] = static_cast<uint8_t>(blue);
                p[1] = static_cast<uint8_t>(green);
                p[2] = static_cast<uint8_t>(red);
            }
        }
    }
    if (hasAlpha && std::all_of(out.alpha.begin(), out.alpha.end(), [](uint8_t v) { return v == 255; }))
        out.alpha.clear();
    return out;
}

}  // namespace nalo
