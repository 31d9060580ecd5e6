// GIF LZW encoding speed and size: GIFLZWEncode against giflib's EGifPutLine on the
// same 8-bit frames (a test video mapped to the 216-colour cube).
//   bench_gif_lzw [frames] [source]   source: an ffmpeg lavfi source, default testsrc2
#include <gif_lib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/GifLzwEncoder.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GcDIB.h"
#include "imaging/Palette8bpp.h"

using namespace nalo;

namespace {

constexpr int W = 640, H = 480;

std::vector<uint8_t> g_gifOut;

int appendOutput(GifFileType*, const GifByteType* data, int n) {
    g_gifOut.insert(g_gifOut.end(), data, data + n);
    return n;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string source = argc > 2 ? argv[2] : "testsrc2";
    const std::string cmd = "ffmpeg -loglevel error -f lavfi -i " + source + "=size=640x480:rate=25 -frames:v " +
                            std::to_string(frames) + " -f rawvideo -pix_fmt bgra -";
    std::FILE* pipe = ::popen(cmd.c_str(), "r");
    if (!pipe) {
        std::perror("ffmpeg");
        return 1;
    }
    mDither8bpp::InitDitherTables();
    cPal8bpp palette;
    GcDIB bgra;
    bgra.Create(W, H, 32);
    std::vector<GcDIB> pictures;
    for (int i = 0; i < frames; ++i) {
        if (std::fread(bgra.lpBits(), 1, size_t(bgra.Size()), pipe) != size_t(bgra.Size())) break;
        pictures.emplace_back();
        mDither8bpp::DitherTo8bpp(bgra, pictures.back(), palette, i > 0);
    }
    ::pclose(pipe);
    if (pictures.empty()) {
        std::fprintf(stderr, "no frames from ffmpeg\n");
        return 1;
    }
    const double mb = double(pictures.size()) * W * H / 1e6;

    // Ours: into a memory stream.
    char* buf = nullptr;
    size_t bufSize = 0;
    std::FILE* mem = ::open_memstream(&buf, &bufSize);
    auto t0 = std::chrono::steady_clock::now();
    for (const GcDIB& p : pictures) GIFLZWEncode(mem, p, 9, false);
    std::fflush(mem);
    const double oursTime = seconds(std::chrono::steady_clock::now() - t0);
    const size_t oursSize = bufSize;
    std::fclose(mem);
    std::free(buf);

    // Ours, the frames in one batch as the GIF writer hands them over.
    std::vector<LzwImage> images;
    for (const GcDIB& p : pictures) images.push_back({p.lpBits(), W, H, p.BytesPerScanLine(), 9, false});
    std::vector<std::vector<uint8_t>> outs(images.size());
    auto tb = std::chrono::steady_clock::now();
    GIFLZWEncodeImages(images.data(), images.size(), outs.data());
    const double batchTime = seconds(std::chrono::steady_clock::now() - tb);
    size_t batchSize = 0;
    for (const auto& o : outs) batchSize += o.size();

    // giflib: image descriptor and one EGifPutLine per row, into memory.
    int error = 0;
    GifFileType* gif = EGifOpen(nullptr, appendOutput, &error);
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 256; ++i) {
        const uint8_t* q = palette.lpPalette() + i * 4;
        map->Colors[i] = GifColorType{q[2], q[1], q[0]};
    }
    EGifPutScreenDesc(gif, W, H, 8, 0, map);
    const size_t headerSize = g_gifOut.size();
    auto t1 = std::chrono::steady_clock::now();
    for (GcDIB& p : pictures) {
        EGifPutImageDesc(gif, 0, 0, W, H, false, nullptr);
        for (int y = 0; y < H; ++y) EGifPutLine(gif, p.row(y), W);
    }
    const double giflibTime = seconds(std::chrono::steady_clock::now() - t1);
    // Per frame giflib also writes a 10-byte descriptor, the code-size byte and a terminator.
    const size_t giflibSize = g_gifOut.size() - headerSize - pictures.size() * 12;
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);

    std::printf("frames: %zu of %dx%d (%s, cube palette), %.1f MB of indexes\n", pictures.size(), W, H,
                source.c_str(), mb);
    std::printf("GIFLZWEncode : %8.1f MB/s  %10zu bytes\n", mb / oursTime, oursSize);
    std::printf("  in batches : %8.1f MB/s  %10zu bytes\n", mb / batchTime, batchSize);
    std::printf("EGifPutLine  : %8.1f MB/s  %10zu bytes\n", mb / giflibTime, giflibSize);
    std::printf("size ours/giflib: %+.2f %%, speed ours/giflib: %.2fx\n",
                100.0 * (double(oursSize) / double(giflibSize) - 1.0), giflibTime / oursTime);
    return 0;
}
