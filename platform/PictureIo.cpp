#include "platform/PictureIo.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codecs/BmpDecoder.h"
#include "codecs/LittleEndian.h"
#include "platform/DibFormat.h"
#include "platform/FileBytes.h"
#include "platform/PictureDecoders.h"
#include "platform/PictureOrientation.h"
#include "shell/RuntimeError.h"

namespace nalo {

namespace {

PictureKind kindOf(const uint8_t* p, size_t n) {
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') return PictureKind::Bmp;
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return PictureKind::Jpeg;
    if (n >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0)) return PictureKind::Gif;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return PictureKind::Png;
    if (n >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) return PictureKind::Webp;
    if (n >= 4 && (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0 ||
                   std::memcmp(p, "II+\0", 4) == 0 || std::memcmp(p, "MM\0+", 4) == 0))
        return PictureKind::Tiff;
    return PictureKind::Unknown;
}

}  // namespace

void raiseInvalidPicture(const std::string& source, const std::string& name, const std::string& why) {
    throw RuntimeError(err::InvalidPicture, source, name + ": invalid picture (" + why + ")");
}

PictureKind detectPictureKind(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return PictureKind::Unknown;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return PictureKind::Unknown;
    }
    uint8_t head[12] = {};
    ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return n > 0 ? kindOf(head, static_cast<size_t>(n)) : PictureKind::Unknown;
}

Dib loadPicture(const std::string& path) { return decodePicture(readFileBytes(path, "LoadPicture"), path); }

Dib decodePicture(std::span<const uint8_t> bytes, const std::string& path) {
    return composeOverWhite(decodePictureWithAlpha(bytes, path));
}

DecodedPicture loadPictureWithAlpha(const std::string& path) {
    return decodePictureWithAlpha(readFileBytes(path, "LoadPicture"), path);
}

namespace {

DecodedPicture decodeAnyKind(std::span<const uint8_t> bytes, const std::string& path) {
    auto opaque = [](Dib d, int orientation = 1) {
        DecodedPicture p;
        p.picture = std::move(d);
        p.orientation = orientation;
        return p;
    };
    switch (kindOf(bytes.data(), bytes.size())) {
    case PictureKind::Bmp: {
        Dib d = decodeBmp(bytes, path);
        if (d.bitCount() != 24 || d.topDown()) d = convertDib(d, 24, false);
        return opaque(std::move(d));
    }
    case PictureKind::Jpeg: return opaque(decodeJpeg(bytes, path), jpegOrientation(bytes));
    case PictureKind::Gif: return opaque(decodeGif(bytes, path));
    case PictureKind::Png: return decodePng(bytes, path);
    case PictureKind::Webp: return decodeWebp(bytes, path);
    case PictureKind::Tiff: return decodeTiff(bytes, path);
    case PictureKind::Unknown: break;
    }
    raiseInvalidPicture("LoadPicture", path, "not a BMP, JPEG, GIF, PNG, WebP or TIFF picture");
}

}  // namespace

DecodedPicture decodePictureWithAlpha(std::span<const uint8_t> bytes, const std::string& path) {
    DecodedPicture decoded = decodeAnyKind(bytes, path);
    applyOrientation(decoded);
    return decoded;
}

Dib composeOverWhite(DecodedPicture decoded) {
    Dib& pic = decoded.picture;
    if (decoded.alpha.empty()) return std::move(pic);
    const int w = pic.width();
    for (int y = 0; y < pic.height(); ++y) {
        uint8_t* p = pic.row(y);
        const uint8_t* a = decoded.alpha.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x, p += 3) {
            const unsigned al = a[x], white = 255 * (255 - al) + 127;
            p[0] = static_cast<uint8_t>((p[0] * al + white) / 255);
            p[1] = static_cast<uint8_t>((p[1] * al + white) / 255);
            p[2] = static_cast<uint8_t>((p[2] * al + white) / 255);
        }
    }
    return std::move(pic);
}

void splitBgra(const uint8_t* bgra, size_t stride, DecodedPicture& out) {
    Dib& pic = out.picture;
    const int w = pic.width(), h = pic.height();
    out.alpha.assign(size_t(w) * h, 0);
    bool opaque = true;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = bgra + y * stride;
        uint8_t* p = pic.row(y);
        uint8_t* a = out.alpha.data() + size_t(y) * w;
        for (int x = 0; x < w; ++x, in += 4, p += 3) {
            p[0] = in[0], p[1] = in[1], p[2] = in[2];
            a[x] = in[3];
            opaque &= in[3] == 255;
        }
    }
    if (opaque) out.alpha = {};
}

std::array<uint8_t, 40> bmpInfoHeader24(int width, int height) {
    std::array<uint8_t, 40> h{};
    putLe32(&h[0], 40);
    putLe32(&h[4], static_cast<uint32_t>(width));
    putLe32(&h[8], static_cast<uint32_t>(height));
    putLe16(&h[12], 1);
    putLe16(&h[14], 24);
    putLe32(&h[20], static_cast<uint32_t>(dibStride(width, 24) * height));
    putLe32(&h[24], 3780);  // 96 dpi
    putLe32(&h[28], 3780);
    return h;
}

void savePictureBmp(const Dib& picture, const std::string& path) {
    if (picture.empty()) throw RuntimeError(err::InvalidPicture, "SavePicture", path + ": no picture to save");
    Dib storage;
    const Dib* src = &as24BottomUp(picture, storage);
    const uint32_t imageSize = static_cast<uint32_t>(src->imageSize());
    uint8_t head[54] = {'B', 'M'};
    putLe32(head + 2, 54 + imageSize);
    putLe32(head + 10, 54);
    const auto info = bmpInfoHeader24(src->width(), src->height());
    std::memcpy(head + 14, info.data(), info.size());
    AtomicFileWriter out(path, "SavePicture");
    out.reserve(54 + uint64_t(imageSize));
    out.write(head, sizeof head);
    out.write(src->bits(), src->imageSize());
    out.commit();
}

}  // namespace nalo
