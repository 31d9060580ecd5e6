#include "platform/PictureOrientation.h"

#include <cstring>
#include <memory>
#include <vector>

#include <libexif/exif-data.h>

namespace nalo {

namespace {

struct ExifDataUnref {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

// Where the source pixel of output (x, y) lies, as source = origin + x * dx + y * dy,
// for a source of w x h pixels.
struct Walk {
    int64_t x0, y0, xdx, ydx, xdy, ydy;
};

Walk walkFor(int orientation, int64_t w, int64_t h) {
    switch (orientation) {
    case 2: return {w - 1, 0, -1, 0, 0, 1};       // mirrored left to right
    case 3: return {w - 1, h - 1, -1, 0, 0, -1};  // half turn
    case 4: return {0, h - 1, 1, 0, 0, -1};       // mirrored top to bottom
    case 5: return {0, 0, 0, 1, 1, 0};            // transposed
    case 6: return {0, h - 1, 0, -1, 1, 0};       // quarter turn clockwise
    case 7: return {w - 1, h - 1, 0, -1, -1, 0};  // transversed
    case 8: return {w - 1, 0, 0, 1, -1, 0};       // quarter turn anticlockwise
    default: return {0, 0, 1, 0, 0, 1};
    }
}

}  // namespace

int exifOrientation(std::span<const uint8_t> exif) {
    static const uint8_t head[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> block;
    if (exif.size() < 6 || std::memcmp(exif.data(), head, 6) != 0) {
        // libexif wants the head: a bare TIFF-structured block (PNG eXIf) gets one.
        block.assign(head, head + 6);
        block.insert(block.end(), exif.begin(), exif.end());
        exif = block;
    }
    std::unique_ptr<ExifData, ExifDataUnref> data(exif_data_new());
    if (!data) return 1;
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), exif.data(), static_cast<unsigned>(exif.size()));
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2) return 1;
    const int v = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return v >= 1 && v <= 8 ? v : 1;
}

int jpegOrientation(std::span<const uint8_t> jpeg) {
    if (jpeg.size() > JpegExifReach) jpeg = jpeg.first(JpegExifReach);
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        // EXIF comes before the frame header; the scan is not searched.
        if ((marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) ||
            marker == 0xDA || marker == 0xD9)
            break;
        const size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) break;
        const auto body = jpeg.subspan(at + 4, length - 2);
        if (marker == 0xE1 && body.size() >= 6 && std::memcmp(body.data(), "Exif\0", 6) == 0)
            return exifOrientation(body);
        at += 2 + length;
    }
    return 1;
}

void applyOrientation(DecodedPicture& decoded) {
    const int orientation = decoded.orientation;
    decoded.orientation = 1;
    const Dib& src = decoded.picture;
    if (orientation < 2 || orientation > 8 || src.empty()) return;
    const int64_t w = src.width(), h = src.height();
    const bool turned = orientation >= 5;
    const int64_t ow = turned ? h : w, oh = turned ? w : h;
    const Walk k = walkFor(orientation, w, h);

    Dib out(static_cast<int>(ow), static_cast<int>(oh), 24, false);
    std::vector<uint8_t> alpha(decoded.alpha.empty() ? 0 : size_t(ow * oh));
    for (int64_t y = 0; y < oh; ++y) {
        uint8_t* p = out.row(static_cast<int>(y));
        int64_t sx = k.x0 + y * k.xdy, sy = k.y0 + y * k.ydy;
        for (int64_t x = 0; x < ow; ++x, p += 3, sx += k.xdx, sy += k.ydx) {
            std::memcpy(p, src.row(static_cast<int>(sy)) + sx * 3, 3);
            if (!alpha.empty()) alpha[size_t(y * ow + x)] = decoded.alpha[size_t(sy * w + sx)];
        }
    }
    decoded.picture = std::move(out);
    decoded.alpha = std::move(alpha);
}

}  // namespace nalo
