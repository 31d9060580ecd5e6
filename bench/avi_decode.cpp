// Sequential decode of every frame of an AVI through the AVI layer, against
// `ffmpeg -i in.avi -f rawvideo -pix_fmt bgra -y /dev/null` on the same file.
// Usage: bench_avi_decode [in.avi]  (default: a 640x480, 25 fps, 10 s MJPEG AVI made here)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/AviFile.h"

using namespace nalo;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : "/tmp/nalo_bench_mjpeg.avi";
    if (argc <= 1) {
        std::string make = "ffmpeg -v error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=10 -c:v mjpeg -q:v 3 " + path;
        if (std::system(make.c_str()) != 0) return 1;
    }
    double best = 1e9, bestFf = 1e9;
    int frames = 0;
    for (int run = 0; run < 3; ++run) {
        auto t0 = Clock::now();
        AviLibraryScope scope;
        PAVISTREAM stream;
        if (AVIStreamOpenFromFileA(stream, path, streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE) != 0) return 1;
        PGETFRAME reader = AVIStreamGetFrameOpen(stream, nullptr);
        if (!reader) return 1;
        int start = AVIStreamStart(stream), n = AVIStreamLength(stream);
        frames = 0;
        for (int i = start; i < start + n; ++i) frames += AVIStreamGetFrame(reader, i) != nullptr;
        best = std::min(best, seconds(t0));

        t0 = Clock::now();
        std::string ff = "ffmpeg -v error -i " + path + " -f rawvideo -pix_fmt bgra -y /dev/null";
        if (std::system(ff.c_str()) != 0) return 1;
        bestFf = std::min(bestFf, seconds(t0));
    }
    std::printf("frames %d\nnalo   %.3f s\nffmpeg %.3f s\nratio  %.2f (nalo / ffmpeg)\n", frames, best, bestFf,
                best / bestFf);
    return 0;
}
