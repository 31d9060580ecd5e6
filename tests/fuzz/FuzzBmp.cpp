// BMP: the decoder over the bytes, cDIB over the same bytes as a file, and
// FDIBPointer over the packed DIB made of what cDIB loaded.
#include <cstring>
#include <vector>

#include "codecs/BmpDecoder.h"
#include "codecs/FDIBPointer.h"
#include "codecs/cDIB.h"
#include "fuzz/FuzzSupport.h"
#include "shell/RuntimeError.h"

namespace nalo::fuzz {

void FuzzBmp(Input input) {
    try {
        const Dib pic = decodeBmp(input, "fuzz.bmp");
        requireWithinBudget(pic.width(), pic.height());
        touch(pic.bits(), pic.imageSize());
        touch(pic.colourTable().data(), pic.colourTable().size() * sizeof(RgbQuad));
    } catch (const RuntimeError&) {
    }

    cDIB dib;
    if (!dib.CreateFromFile(scratchFile("fuzz.bmp", input))) return;
    touch(dib.PointerToBitmapInfo(), static_cast<size_t>(dib.SizeBitmapInfo()));
    touch(dib.PointerToBits(), static_cast<size_t>(dib.SizeImage()));

    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.PointerToBitmapInfo(), sizeof header);
    header.biSizeImage = static_cast<uint32_t>(dib.SizeImage());
    std::vector<uint8_t> packed(sizeof header + header.biSizeImage);
    std::memcpy(packed.data(), &header, sizeof header);
    std::memcpy(packed.data() + sizeof header, dib.PointerToBits(), header.biSizeImage);
    FDIBPointer frame;
    if (!frame.CreateFromPackedDIBPointer(packed.data())) return;
    require(std::memcmp(frame.Bits(), dib.PointerToBits(), header.biSizeImage) == 0, "FDIBPointer pixels differ");
}

}  // namespace nalo::fuzz
