// nalo-convert g2g [--to bmp|gif|png] [--transparent] FILE.gif...
#include <cstdio>

#include "cli/Subcommands.h"
#include "codecs/GifFrameSplitter.h"
#include "tools/g2g/G2GRules.h"

namespace nalo::cli {

namespace {

// The split without pauses: one line per frame file.
struct PrintingHost final : GifRenderHost {
    explicit PrintingHost(const std::string& gif) : file(gif) {}
    const std::string& file;
    bool failed = false;
    void Pause(int32_t) override {}
    void FrameShown(const Dib&) override {}
    void FrameFileWritten(const std::string& name) override { std::printf("written: %s\n", name.c_str()); }
    void FrameFileFailed(const RuntimeError& e) override {
        std::fprintf(stderr, "failed: %s\n", e.description().c_str());
        failed = true;
    }
    void FileEndsEarly(int wholeFrames) override {
        fileFailure(file, wholeFrames > 0 ? "the file ends early, after frame " + std::to_string(wholeFrames)
                                          : "the file ends early, inside frame 1");
        failed = true;
    }
};

}  // namespace

int runG2G(const Args& args) {
    int16_t kind = 0;
    bool transparent = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to" && i + 1 < args.size()) {
            const std::string& to = args[++i];
            if (to != "bmp" && to != "gif" && to != "png") return usageError("g2g: --to takes bmp, gif or png");
            kind = to == "gif" ? 1 : to == "png" ? 2 : 0;
        } else if (a == "--transparent") {
            transparent = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("g2g: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) return usageError("g2g: give one or more GIF files");
    if (transparent && kind != 1) return usageError("g2g: --transparent needs --to gif");

    int status = 0;
    GifSplitRun run(files);
    for (const std::string& file : files) {
        GifSplitShared shared{file, false, 1, kind, g2g::FrameFileBaseOf(file), transparent};
        clsGif24bit gif(shared);
        gif.fGifBreakOutFrames();
        if (shared.NotGifFlag) {
            std::fprintf(stderr, "failed: %s: not an animated GIF\n", file.c_str());
            status = 1;
            continue;
        }
        PrintingHost host(file);
        gif.RenderGif(host, &run);
        if (host.failed) status = 1;
    }
    return status;
}

}  // namespace nalo::cli
