#include "codecs/SavePCX.h"

#include <vector>

#include "codecs/LittleEndian.h"
#include "codecs/PcxRle.h"
#include "platform/DibFormat.h"
#include "platform/FileBytes.h"
#include "shell/RuntimeError.h"

namespace nalo {

void SavePCX::SavePCXinFile(const std::string& FileName, const Dib& Pic, bool Compress) {
    static const std::string Source = "SavePCX";
    if (Pic.empty()) throw RuntimeError(err::InvalidPicture, Source, FileName + ": no picture to save");
    const int w = Pic.width(), h = Pic.height();
    const int bpl = (w + 1) / 2 * 2;
    if (bpl > INT16_MAX || h > INT16_MAX)
        throw RuntimeError(err::Overflow, Source, FileName + ": picture too large for a PCX file");
    Dib storage;
    const Dib& src = as24BottomUp(Pic, storage);

    uint8_t header[128] = {};
    header[0] = 10;
    header[1] = 5;
    header[2] = Compress ? 1 : 0;
    header[3] = 8;
    putLe16(header + 4, 1);
    putLe16(header + 6, 1);
    putLe16(header + 8, static_cast<uint32_t>(w));
    putLe16(header + 10, static_cast<uint32_t>(h));
    putLe16(header + 12, 96);
    putLe16(header + 14, 96);
    header[65] = 3;
    putLe16(header + 66, static_cast<uint32_t>(bpl));

    AtomicFileWriter out(FileName, Source);
    if (!Compress) out.reserve(sizeof header + uint64_t(3) * uint64_t(bpl) * uint64_t(h));
    out.write(header, sizeof header);
    // One row of planes: red, green, blue, each bpl bytes (the padding byte is zero).
    std::vector<uint8_t> planes(static_cast<size_t>(bpl) * 3, 0);
    uint8_t* r = planes.data();
    uint8_t* g = r + bpl;
    uint8_t* b = g + bpl;
    PcxRleEncoder encoder;
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = src.row(y);
        for (int x = 0; x < w; ++x, s += 3) {
            b[x] = s[0];
            g[x] = s[1];
            r[x] = s[2];
        }
        if (Compress)
            encoder.push(planes.data(), planes.size(), out);
        else
            out.write(planes.data(), planes.size());
    }
    if (Compress) encoder.finish(out);
    out.commit();
}

}  // namespace nalo
