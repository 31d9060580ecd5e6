// GIF decoding with giflib: the first frame, composed on the logical screen.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/GiflibMemory.h"
#include "platform/PictureBudget.h"
#include "platform/PictureDecoders.h"
#include "shell/RuntimeError.h"

namespace nalo {

Dib decodeGif(std::span<const uint8_t> data, const std::string& name) {
    static const std::string source = "LoadPicture";
    GiflibMemoryInput input{data};
    int error = 0;
    GiflibHandle h;
    h.gif = DGifOpen(&input, GiflibMemoryInput::read, &error);
    auto fail = [&](const char* why) {
        const char* text = why;
        if (!text) {
            int code = h.gif ? h.gif->Error : error;
            text = GifErrorString(code);
            if (!text) text = "invalid GIF data";
        }
        raiseInvalidPicture(source, name, text);
    };
    if (!h.gif) fail(nullptr);
    GifFileType* gif = h.gif;

    const int64_t sw = gif->SWidth, sh = gif->SHeight;
    const int64_t dataBudget = static_cast<int64_t>(data.size()) * GifMaxPixelsPerByte;
    int transparent = -1;

    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) fail(nullptr);
        if (type == TERMINATE_RECORD_TYPE) fail("no picture in the file");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) fail(nullptr);
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) transparent = (ext[1] & 1) ? ext[4] : -1;
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) fail(nullptr);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;

        if (DGifGetImageDesc(gif) == GIF_ERROR) fail(nullptr);
        const GifImageDesc& img = gif->Image;
        const int64_t fw = img.Width, fh = img.Height;
        // A frame reaching past the screen widens the screen, as viewers do.
        const int64_t width = std::max<int64_t>(sw, img.Left + fw), height = std::max<int64_t>(sh, img.Top + fh);
        if (width <= 0 || height <= 0) fail("empty picture");
        CheckPictureBudget(width, height, name, source);
        if (width * height > dataBudget || fw * fh > dataBudget) fail("picture too large for its data");

        const ColorMapObject* map = img.ColorMap ? img.ColorMap : gif->SColorMap;
        if (!map) fail("no colour map");
        uint8_t table[256][3] = {};
        for (int i = 0; i < map->ColorCount && i < 256; ++i) {
            table[i][0] = map->Colors[i].Blue;
            table[i][1] = map->Colors[i].Green;
            table[i][2] = map->Colors[i].Red;
        }
        uint8_t back[3] = {255, 255, 255};
        if (transparent < 0 && gif->SColorMap && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
            const GifColorType& c = gif->SColorMap->Colors[gif->SBackGroundColor];
            back[0] = c.Blue, back[1] = c.Green, back[2] = c.Red;
        }

        Dib pic(static_cast<int>(width), static_cast<int>(height), 24, false);
        const bool covered = img.Left == 0 && img.Top == 0 && fw == width && fh == height && transparent < 0;
        if (!covered) {
            for (int y = 0; y < height; ++y) {
                uint8_t* p = pic.row(y);
                for (int64_t x = 0; x < width; ++x) std::memcpy(p + x * 3, back, 3);
            }
        }

        std::vector<GifPixelType> line(static_cast<size_t>(fw));
        auto putLine = [&](int64_t y) {
            if (DGifGetLine(gif, line.data(), static_cast<int>(fw)) == GIF_ERROR) fail(nullptr);
            uint8_t* out = pic.row(static_cast<int>(img.Top + y)) + img.Left * 3;
            for (int64_t x = 0; x < fw; ++x, out += 3) {
                int v = line[x];
                if (v == transparent) continue;
                out[0] = table[v][0];
                out[1] = table[v][1];
                out[2] = table[v][2];
            }
        };
        if (img.Interlace) {
            static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int64_t y = start[pass]; y < fh; y += step[pass]) putLine(y);
        } else {
            for (int64_t y = 0; y < fh; ++y) putLine(y);
        }
        return pic;
    }
}

}  // namespace nalo
