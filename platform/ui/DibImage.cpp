#include "platform/ui/DibImage.h"

#include <cstring>
#include <vector>

namespace nalo {

QImage toQImage(const Dib& dib) {
    if (dib.empty()) return {};
    const int w = dib.width(), h = dib.height();
    if (dib.bitCount() == 24) {
        QImage img(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y) std::memcpy(img.scanLine(y), dib.row(y), static_cast<size_t>(w) * 3);
        return img;
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (dib.bitCount() == 32) {
        for (int y = 0; y < h; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(img.scanLine(y));
            const auto* in = reinterpret_cast<const uint32_t*>(dib.row(y));
            for (int x = 0; x < w; ++x) out[x] = in[x] | 0xFF000000u;
        }
        return img;
    }
    Dib true32 = convertDib(dib, 32, true);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<uint32_t*>(img.scanLine(y));
        const auto* in = reinterpret_cast<const uint32_t*>(true32.row(y));
        for (int x = 0; x < w; ++x) out[x] = in[x] | 0xFF000000u;
    }
    return img;
}

Dib fromQImage(const QImage& image) {
    if (image.isNull()) return {};
    QImage src = image.convertToFormat(QImage::Format_BGR888);
    Dib dib(src.width(), src.height(), 24, false);
    for (int y = 0; y < src.height(); ++y)
        std::memcpy(dib.row(y), src.constScanLine(y), static_cast<size_t>(src.width()) * 3);
    return dib;
}

}  // namespace nalo
