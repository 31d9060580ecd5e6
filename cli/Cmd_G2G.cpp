// nalo-convert g2g [OPTIONS] FILE.gif...
#include "cli/Command.h"
#include "cli/FileBatch.h"
#include "codecs/GifFrameSplitter.h"
#include "tools/g2g/G2GRules.h"

namespace nalo::cli {

namespace {

// The split without pauses: one result per frame file, the frames counted on the
// progress line.
struct ReportingHost final : GifRenderHost {
    ReportingHost(const std::string& gif, RunReporter& r) : file(gif), reporter(r) {}
    const std::string& file;
    RunReporter& reporter;
    int64_t frames = 0;
    void Pause(int32_t) override {}
    void FrameShown(const Dib&) override { reporter.advance(++frames); }
    void FrameFileWritten(const std::string& name) override {
        reporter.result(FileReport{file, name, Outcome::Written});
    }
    void FrameFileSkipped(const std::string& name) override {
        reporter.result(FileReport{file, name, Outcome::Skipped});
    }
    void FrameFileFailed(const RuntimeError& e) override { reporter.failure(file, e.description()); }
    void FileEndsEarly(int wholeFrames) override {
        reporter.failure(file, wholeFrames > 0 ? "the file ends early, after frame " + std::to_string(wholeFrames)
                                               : "the file ends early, inside frame 1");
    }
};

}  // namespace

int runG2G(const Args& args) {
    Command cmd("g2g", "Animated GIFs to their composed frames, NAME_001.bmp ... beside each source.");
    std::string to = "bmp";
    bool transparent = false;
    std::vector<std::string> files;
    cmd.app.add_option("--to", to, "Frame file type")->check(CLI::IsMember({"bmp", "gif"}))->capture_default_str();
    auto* transparentOption =
        cmd.app.add_flag("--transparent", transparent, "GIF frames keep the top-left colour transparent (--to gif)");
    cmd.addFiles(files, "FILE", "Animated GIF files")->required();
    cmd.addOut("Folder for the frame files (default: beside each source)")->type_name("DIR");
    cmd.addSkip();
    cmd.addJobs();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    const int16_t kind = to == "gif" ? 1 : 0;
    if (*transparentOption && kind != 1) return cmd.usage("--transparent needs --to gif");

    GifSplitRun run(files);
    const auto baseOf = [&](const std::string& f) { return cmd.placed(g2g::FrameFileBaseOf(f)); };
    RunReporter reporter(cmd.reporting());
    const FileBatch batch{cmd, args, files, [&](const std::string& f) { return FrameFileName(baseOf(f), 1, kind); },
                          [&](size_t i, RunReporter& r) {
                              const std::string& file = files[i];
                              GifSplitShared shared{file, false, 1, kind, baseOf(file), transparent, cmd.skip};
                              clsGif24bit gif(shared);
                              gif.fGifBreakOutFrames();
                              if (shared.NotGifFlag) return r.failure(file, "not an animated GIF");
                              r.plan(int64_t(gif.Frames().size()), "frames");
                              ReportingHost host(file, r);
                              gif.RenderGif(host, &run);
                          }};
    return batch.run(reporter);
}

}  // namespace nalo::cli

