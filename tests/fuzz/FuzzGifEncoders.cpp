// The GIF encoders round-tripped through giflib: decode(encode(x)) == x.
#include "fuzz/FuzzGifEncoders.h"

#include <cstdio>
#include <cstdlib>

#include "codecs/GifLzwEncoder.h"
#include "codecs/OneFrameGifWriter.h"
#include "fuzz/FuzzSupport.h"
#include "platform/FileBytes.h"
#include "platform/GiflibMemory.h"

namespace nalo::fuzz {

DecodedGif decodeWithGiflib(std::span<const uint8_t> file) {
    GiflibMemoryInput input{file};
    int error = 0;
    GiflibHandle h;
    h.gif = DGifOpen(&input, GiflibMemoryInput::read, &error);
    require(h.gif && DGifSlurp(h.gif) == GIF_OK && h.gif->ImageCount >= 1, "giflib refuses the encoded GIF");
    const SavedImage& image = h.gif->SavedImages[0];
    DecodedGif out;
    out.width = image.ImageDesc.Width;
    out.height = image.ImageDesc.Height;
    out.indexes.assign(image.RasterBits, image.RasterBits + size_t(out.width) * size_t(out.height));
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : h.gif->SColorMap;
    require(map != nullptr, "no colour map");
    for (int i = 0; i < map->ColorCount; ++i)
        out.palette.push_back({map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0});
    return out;
}

IndexPicture pictureFrom(std::span<const uint8_t> input, int bits) {
    IndexPicture p;
    if (input.size() < 3) return p;
    p.width = input[0] % 64 + 1;
    p.height = input[1] % 64 + 1;
    const auto pixels = input.subspan(2);
    p.indexes.resize(size_t(p.width) * size_t(p.height));
    for (size_t i = 0; i < p.indexes.size(); ++i)
        p.indexes[i] = static_cast<uint8_t>(pixels[i % pixels.size()] & ((1u << bits) - 1));
    return p;
}

namespace {
void put16(std::vector<uint8_t>& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
}  // namespace

// Input: byte 0 the bits per index (2..8) and the interlace flag, then a picture.
void FuzzGifLzw(Input input) {
    if (input.empty()) return;
    const int bits = input[0] % 7 + 2;
    const bool interlace = (input[0] & 0x80) != 0;
    const IndexPicture pic = pictureFrom(input.subspan(1), bits);
    if (pic.indexes.empty()) return;

    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    require(out != nullptr, "open_memstream");
    GIFLZWEncodePixels(out, pic.indexes.data(), pic.width, pic.height, pic.width, static_cast<uint8_t>(bits + 1),
                       interlace);
    std::fclose(out);
    const std::vector<uint8_t> coded(data, data + size);
    std::free(data);

    const bool interlaced = interlace && pic.height > 4;
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    put16(gif, pic.width);
    put16(gif, pic.height);
    gif.insert(gif.end(), {static_cast<uint8_t>(0x80 | (bits - 1)), 0, 0});
    for (int i = 0; i < (1 << bits); ++i) gif.insert(gif.end(), {uint8_t(i), uint8_t(i), uint8_t(i)});
    gif.push_back(0x2C);
    put16(gif, 0);
    put16(gif, 0);
    put16(gif, pic.width);
    put16(gif, pic.height);
    gif.push_back(interlaced ? 0x40 : 0);
    gif.push_back(static_cast<uint8_t>(bits));
    gif.insert(gif.end(), coded.begin(), coded.end());
    gif.insert(gif.end(), {0, 0x3B});

    const DecodedGif back = decodeWithGiflib(gif);
    require(back.indexes == pic.indexes, "LZW round trip differs");
}

// Input: byte 0 picks 8-bit or 24-bit and the transparency, then a picture; the
// 8-bit picture's colour table comes from the same bytes.
void FuzzOneFrameGif(Input input) {
    if (input.empty()) return;
    const bool eightBit = (input[0] & 1) != 0, useTrans = (input[0] & 2) != 0;
    const IndexPicture src = pictureFrom(input.subspan(1), 8);
    if (src.indexes.empty()) return;
    Dib pic(src.width, src.height, eightBit ? 8 : 24, (input[0] & 4) != 0);
    std::vector<RgbQuad> table(256);
    for (size_t i = 0; i < table.size(); ++i) {
        const uint8_t v = src.indexes[(i * 3) % src.indexes.size()];
        table[i] = {v, uint8_t(v ^ i), uint8_t(i), 0};
    }
    if (eightBit) pic.setColourTable(table);
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) {
            const uint8_t v = src.indexes[size_t(y) * src.width + x];
            if (eightBit) pic.setRawPixel(x, y, v);
            else pic.setPixel(x, y, rgb(v, uint8_t(v * 5), uint8_t(255 - v)));
        }

    GIF writer;
    const std::string path = scratchFolder() + "/one.gif";
    require(writer.SaveGIF(pic, path, useTrans, pic.pixel(0, 0)), "SaveGIF refused");
    const FileBuffer file = readFileBytes(path, "fuzz");
    const DecodedGif back = decodeWithGiflib(file);
    require(back.width == src.width && back.height == src.height, "size differs");
    for (int y = 0; y < src.height; ++y)
        for (int x = 0; x < src.width; ++x) {
            const uint8_t index = back.indexes[size_t(y) * src.width + x];
            require(index < back.palette.size(), "index outside the colour map");
            const ColourValue expected = eightBit ? colourOf(table[src.indexes[size_t(y) * src.width + x]])
                                                  : colourOf(CubePalette125()[CubeIndexOf(pic.pixel(x, y))]);
            require(colourOf(back.palette[index]) == expected, "one-frame GIF round trip differs");
        }
}

}  // namespace nalo::fuzz
