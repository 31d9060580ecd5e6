#include "g2g/TestGifs.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace nalo::test {

namespace {

ColorMapObject* mapOf(const std::vector<uint8_t>& rgb) {
    const int n = static_cast<int>(rgb.size() / 3);
    ColorMapObject* map = GifMakeMapObject(n, nullptr);
    for (int i = 0; i < n; ++i) map->Colors[i] = {rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]};
    return map;
}

// giflib 5.2.1 forgets the previous frame's local table copy when the next frame has
// none, and the last one on close.
void dropLocalTable(GifFileType* gif) {
    if (gif->Image.ColorMap) GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
}

}  // namespace

std::vector<uint8_t> testPalette(int n) {
    std::vector<uint8_t> p;
    for (int i = 0; i < n; ++i) {
        p.push_back(static_cast<uint8_t>(i * 53 + 7));
        p.push_back(static_cast<uint8_t>(255 - i * 29));
        p.push_back(static_cast<uint8_t>(i * 97 + 31));
    }
    return p;
}

TestFrame patternFrame(int left, int top, int width, int height, int colours, int seed) {
    TestFrame f{left, top, width, height};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) f.indexes.push_back(static_cast<uint8_t>((x / 3 + y / 2 + seed) % colours));
    return f;
}

void writeTestGif(const std::string& path, const TestGif& g) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = g.global.empty() ? nullptr : mapOf(g.global);
    ASSERT_EQ(EGifPutScreenDesc(gif, g.width, g.height, 8, 0, global), GIF_OK);
    for (const TestFrame& f : g.frames) {
        if (g.extensions) {
            const char comment[] = "a comment with , and ; in it";
            EGifPutExtension(gif, COMMENT_EXT_FUNC_CODE, sizeof comment - 1, comment);
            EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
            EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
            const uint8_t loops[3] = {1, 0, 0};
            EGifPutExtensionBlock(gif, 3, loops);
            EGifPutExtensionTrailer(gif);
            EGifPutExtensionLeader(gif, PLAINTEXT_EXT_FUNC_CODE);
            const uint8_t grid[12] = {0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0};
            EGifPutExtensionBlock(gif, 12, grid);
            EGifPutExtensionBlock(gif, 5, ",;!,;");
            EGifPutExtensionTrailer(gif);
        }
        if (f.disposal || f.transparent >= 0 || f.delay) {
            const uint8_t gce[4] = {static_cast<uint8_t>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)),
                                    static_cast<uint8_t>(f.delay & 0xFF), static_cast<uint8_t>(f.delay >> 8),
                                    static_cast<uint8_t>(f.transparent >= 0 ? f.transparent : 0)};
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        }
        dropLocalTable(gif);
        ColorMapObject* local = f.local.empty() ? nullptr : mapOf(f.local);
        ASSERT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local), GIF_OK);
        if (local) GifFreeMapObject(local);
        std::vector<uint8_t> rows(f.indexes);
        if (f.interlaced) {  // giflib takes interlaced rows in stored order
            rows.clear();
            static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < f.height; y += step[pass])
                    rows.insert(rows.end(), f.indexes.begin() + y * f.width, f.indexes.begin() + (y + 1) * f.width);
        }
        for (int y = 0; y < f.height; ++y) ASSERT_EQ(EGifPutLine(gif, rows.data() + y * f.width, f.width), GIF_OK);
    }
    if (global) GifFreeMapObject(global);
    dropLocalTable(gif);
    ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
}

}  // namespace nalo::test
