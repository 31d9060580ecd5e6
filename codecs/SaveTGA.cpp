#include "codecs/SaveTGA.h"

#include <vector>

#include "codecs/LittleEndian.h"
#include "codecs/TgaRle.h"
#include "platform/DibFormat.h"
#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

void SaveTGA::SaveTGAinFile(const std::string& FileName, const Dib& Pic, bool Compress) {
    static const std::string Source = "SaveTGA";
    if (Pic.empty()) throw RuntimeError(err::InvalidPicture, Source, FileName + ": no picture to save");
    const int w = Pic.width(), h = Pic.height();
    if (w > INT16_MAX || h > INT16_MAX)
        throw RuntimeError(err::Overflow, Source, FileName + ": picture too large for a TGA file");
    Dib storage;
    const Dib& src = as24BottomUp(Pic, storage);

    uint8_t header[18] = {};
    header[2] = Compress ? 10 : 2;
    putLe16(header + 12, static_cast<uint32_t>(w));
    putLe16(header + 14, static_cast<uint32_t>(h));
    header[16] = 24;

    AtomicFileWriter out(FileName, Source);
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    if (!Compress) out.reserve(sizeof header + uint64_t(rowBytes) * uint64_t(h));
    out.write(header, sizeof header);
    if (!Compress && rowBytes == static_cast<size_t>(src.stride())) {
        out.write(src.bits(), src.imageSize());
    } else {
        std::vector<uint8_t> packed;
        for (int i = 0; i < h; ++i) {  // storage order of a bottom-up picture: bottom row first
            const uint8_t* row = src.storedRow(i);
            if (!Compress) {
                out.write(row, rowBytes);
                continue;
            }
            packed.clear();
            encodeTgaRleRow(row, w, packed);
            out.write(packed.data(), packed.size());
        }
    }
    out.commit();
}

}  // namespace nalo
