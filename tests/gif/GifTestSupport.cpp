#include "gif/GifTestSupport.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>

#include "support/TestSupport.h"

namespace nalo::test {

DecodedGif decodeGiflib(const std::string& path) {
    DecodedGif out;
    int error = 0;
    GifFileType* g = DGifOpenFileName(path.c_str(), &error);
    EXPECT_NE(g, nullptr) << GifErrorString(error);
    if (!g) return out;
    EXPECT_EQ(DGifSlurp(g), GIF_OK) << GifErrorString(g->Error);
    out.screenWidth = g->SWidth;
    out.screenHeight = g->SHeight;
    for (int i = 0; i < g->ImageCount; ++i) {
        const SavedImage& s = g->SavedImages[i];
        DecodedFrame f;
        f.left = s.ImageDesc.Left;
        f.top = s.ImageDesc.Top;
        f.width = s.ImageDesc.Width;
        f.height = s.ImageDesc.Height;
        f.interlaced = s.ImageDesc.Interlace;
        // DGifSlurp already puts interlaced rows in picture order.
        f.indexes.assign(s.RasterBits, s.RasterBits + size_t(f.width) * f.height);
        const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : g->SColorMap;
        if (map)
            for (int c = 0; c < map->ColorCount; ++c) {
                f.rgb.push_back(map->Colors[c].Red);
                f.rgb.push_back(map->Colors[c].Green);
                f.rgb.push_back(map->Colors[c].Blue);
            }
        out.frames.push_back(std::move(f));
    }
    DGifCloseFile(g, &error);
    return out;
}

std::vector<std::vector<uint8_t>> decodeMagickRgba(const std::string& path, int width, int height) {
    const std::string raw = path + ".rgba";
    EXPECT_EQ(runCommand("convert '" + path + "' -coalesce -depth 8 'rgba:" + raw + "'"), 0);
    std::vector<uint8_t> all = readFile(raw);
    const size_t frameBytes = size_t(width) * height * 4;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t off = 0; off + frameBytes <= all.size(); off += frameBytes)
        frames.emplace_back(all.begin() + off, all.begin() + off + frameBytes);
    return frames;
}

std::vector<uint8_t> distinctPalette(int n) {
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < n; ++i) {
        p[i * 4 + 0] = static_cast<uint8_t>(i * 37 + 11);   // blue
        p[i * 4 + 1] = static_cast<uint8_t>(255 - i);       // green
        p[i * 4 + 2] = static_cast<uint8_t>(i);             // red
    }
    return p;
}

void setIndexes(cGIF& gif, int16_t n, const std::vector<uint8_t>& indexes) {
    GcDIB& img = gif.FrameDIBXOR(n);
    for (int y = 0; y < img.Height(); ++y)
        std::memcpy(img.row(y), indexes.data() + size_t(y) * img.Width(), size_t(img.Width()));
}

void makeOneFrame(cGIF& gif, int w, int h, int entries, const std::vector<uint8_t>& indexes, bool interlaced) {
    gif.Destroy();
    gif.GlobalPaletteExists(true);
    gif.GlobalPaletteEntries(static_cast<int16_t>(entries));
    const auto pal = distinctPalette(entries);
    std::memcpy(gif.lpGlobalPalette(), pal.data(), 1024);
    gif.FrameInsert(1, w, h);
    std::memcpy(gif.lpLocalPalette(1), pal.data(), 1024);
    gif.FrameInterlaced(1, interlaced);
    setIndexes(gif, 1, indexes);
}

std::vector<std::vector<uint8_t>> composeModel(const cGIF& gif) {
    const int sw = gif.ScreenWidth(), sh = gif.ScreenHeight();
    std::vector<uint8_t> canvas(size_t(sw) * sh * 4, 0);
    std::vector<std::vector<uint8_t>> out;
    for (int16_t i = 1; i <= gif.FramesCount(); ++i) {
        const std::vector<uint8_t> before = canvas;
        const GcDIB& img = gif.FrameDIBXOR(i);
        const uint8_t* pal = gif.LocalPaletteUsed(i) ? gif.lpLocalPalette(i) : gif.lpGlobalPalette();
        for (int y = 0; y < img.Height(); ++y)
            for (int x = 0; x < img.Width(); ++x) {
                const uint8_t v = img.row(y)[x];
                if (gif.FrameUseTransparentColor(i) && v == gif.FrameTransparentColorIndex(i)) continue;
                const int cx = gif.FrameLeft(i) + x, cy = gif.FrameTop(i) + y;
                if (cx >= sw || cy >= sh) continue;
                uint8_t* d = &canvas[(size_t(cy) * sw + cx) * 4];
                d[0] = pal[v * 4 + 2];
                d[1] = pal[v * 4 + 1];
                d[2] = pal[v * 4 + 0];
                d[3] = 255;
            }
        out.push_back(canvas);
        if (gif.FrameDisposalMethod(i) == 3) canvas = before;
        else if (gif.FrameDisposalMethod(i) == 2)
            for (int y = 0; y < img.Height(); ++y)
                for (int x = 0; x < img.Width(); ++x) {
                    const int cx = gif.FrameLeft(i) + x, cy = gif.FrameTop(i) + y;
                    if (cx < sw && cy < sh) std::memset(&canvas[(size_t(cy) * sw + cx) * 4], 0, 4);
                }
    }
    return out;
}

}  // namespace nalo::test
