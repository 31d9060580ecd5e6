// The animated-GIF splitter: the block walk over the bytes, then the file played
// frame by frame onto its canvas.
#include "codecs/GifFrameSplitter.h"
#include "fuzz/FuzzSupport.h"
#include "platform/GiflibMemory.h"

namespace nalo::fuzz {

namespace {
class QuietHost : public GifRenderHost {
public:
    void Pause(int32_t) override {}
    void FrameShown(const Dib& canvas) override { touch(canvas.bits(), canvas.imageSize()); }
    void FrameFileWritten(const std::string&) override {}
    void FrameFileFailed(const RuntimeError&) override {}
    void FileEndsEarly(int) override {}
};
}  // namespace

void FuzzGifSplit(Input input) {
    GifScreenInfo screen;
    std::vector<GifFrameInfo> frames;
    if (WalkGifBlocks(input, screen, frames))
        for (const GifFrameInfo& f : frames) require(f.start <= f.end && f.end <= input.size(), "frame outside the file");

    GifSplitShared shared;
    shared.GifPath = scratchFile("fuzz.gif", input);
    clsGif24bit gif(shared);
    gif.fGifBreakOutFrames();
    if (shared.NotGifFlag) return;
    require(int64_t(gif.Canvas().width()) * gif.Canvas().height() <= int64_t(input.size()) * GifMaxPixelsPerByte,
            "canvas larger than the file's data can fill");
    QuietHost host;
    gif.RenderGif(host);
}

}  // namespace nalo::fuzz
