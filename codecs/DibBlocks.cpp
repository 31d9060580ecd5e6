#include "codecs/DibBlocks.h"

#include <cstring>
#include <new>

#include "shell/RuntimeError.h"

namespace nalo {

void DibBlocks::clear() {
    fileHeader = {};
    infoHeader = {};
    infoBytes.clear();
    pixels.clear();
    loaded_ = false;
}

PackedDibLoad DibBlocks::loadPackedDib(const void* address) {
    clear();
    const auto* bytes = static_cast<const uint8_t*>(address);
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.biBitCount < 16) return PackedDibLoad::TooFewColours;
    if (header.biSizeImage < 1) return PackedDibLoad::NoPixels;
    infoHeader = header;
    pixels.resize(header.biSizeImage);
    std::memcpy(pixels.data(), bytes + sizeof header, header.biSizeImage);
    infoBytes.assign(bytes, bytes + sizeof header);
    fileHeader.bfType = BitmapFileType;
    fileHeader.bfSize = BitmapHeadersSize + header.biSizeImage;
    fileHeader.bfOffBits = BitmapHeadersSize;
    loaded_ = true;
    return PackedDibLoad::Loaded;
}

bool DibBlocks::writeToFile(const std::string& path, const char* source) const {
    if (!loaded_) return false;
    try {
        AtomicFileWriter out(path, source);
        out.write(&fileHeader, sizeof fileHeader);
        out.write(infoBytes.data(), infoBytes.size());
        out.write(pixels.data(), pixels.size());
        out.commit();
        return true;
    } catch (const RuntimeError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace nalo
