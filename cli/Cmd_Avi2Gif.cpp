// nalo-convert avi2gif [--transparent INDEX | --transparent-at X,Y] [--optimize]
//     [--fps N] [--width W] [--height H] [--start T] [--end T] [--loop N] [--palette cube|adaptive]
//     IN.avi OUT.gif
#include <cmath>
#include <cstdlib>
#include <optional>

#include "cli/Command.h"
#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GifOptimizer.h"
#include "shell/RuntimeError.h"
#include "tools/avi2gif/Avi2GifRules.h"
#include "tools/avi2gif/AviImport.h"

namespace nalo::cli {

namespace {

// CLI::Range lets "nan" through: a rate or a time in seconds must be a finite number.
const CLI::Validator Finite(
    [](std::string& text) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        return end != text.c_str() && std::isfinite(value) ? std::string()
                                                            : "Value " + text + " is not a number";
    },
    "");

}  // namespace

int runAvi2Gif(const Args& args) {
    Command cmd("avi2gif", "An AVI video to an animated GIF on the 216-colour palette.");
    int index = 0;
    bool optimize = false;
    std::vector<int> at;
    std::vector<std::string> files;
    auto* indexOption =
        cmd.app.add_option("--transparent", index, "Transparent palette index")->check(CLI::Range(0, 255));
    auto* atOption = addIntList(cmd.app, "--transparent-at", at, 2, "Transparent colour of the first frame's pixel X,Y");
    indexOption->excludes(atOption);
    cmd.app.add_flag("--optimize", optimize, "Optimise the palette and the frames");
    mAVIImp::AviImportOptions options;
    double end = 0;
    int loops = 0;
    std::string palette = "cube";
    cmd.app.add_option("--fps", options.fps, "Frames per second kept, 0.1..100 (default: every frame)")
        ->check(Finite & CLI::Range(0.1, 100.0));
    cmd.app.add_option("--width", options.width, "Output width (default: the video's, or the aspect kept)")
        ->check(CLI::Range(1, 32767));
    cmd.app.add_option("--height", options.height, "Output height (default: the video's, or the aspect kept)")
        ->check(CLI::Range(1, 32767));
    cmd.app.add_option("--start", options.start, "Seconds from the first frame")
        ->check(Finite & CLI::Range(0.0, 1e7));
    auto* endOption = cmd.app.add_option("--end", end, "Seconds to end at (default: the last frame)")
                          ->check(Finite & CLI::Range(0.0, 1e7));
    cmd.app.add_option("--loop", loops, "Loop count, 0 = endless")->check(CLI::Range(0, 65535))->capture_default_str();
    cmd.app.add_option("--palette", palette, "cube: the 216 colours; adaptive: one palette from the clip")
        ->check(CLI::IsMember({"cube", "adaptive"}))
        ->capture_default_str();
    cmd.addFiles(files, "FILE", "IN.avi and OUT.gif (OUT.gif not with --out)");
    cmd.addOut("The GIF file")->type_name("OUT.gif");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    if (*atOption && (at[0] < 0 || at[0] > 32767 || at[1] < 0 || at[1] > 32767))
        return cmd.usage("--transparent-at takes X,Y of 0..32767");
    if (*endOption) {
        if (end <= options.start) return cmd.usage("--end must come after --start");
        options.end = end;
    }
    options.loops = static_cast<int16_t>(static_cast<uint16_t>(loops));
    options.palette = palette == "adaptive" ? mAVIImp::GifPalette::Adaptive : mAVIImp::GifPalette::Cube;
    std::string in, out;
    if (int rc = cmd.sourceAndOutput(files, in, out, "IN.avi and OUT.gif"); rc >= 0) return rc;

    RunReporter reporter(cmd.reporting());
    reporter.begin(in);
    if (cmd.refusedOrSkipped(reporter, in, out)) return reporter.finish();
    mDither8bpp::InitDitherTables();
    cGIF gif;
    bool ready = false;
    ProgressLine progress(reporter, "frames");
    guardFile(reporter, in, [&] {
        if (!mAVIImp::ImportAVI(in, gif, &progress, options)) return reporter.failure(in, "loading error AVI file");
        if (*atOption) {
            const auto picked = avi2gif::PickTransparentIndex(gif, 1, at[0], at[1]);
            if (!picked)
                return reporter.failure(in, "point " + std::to_string(at[0]) + "," + std::to_string(at[1]) +
                                                " is outside the picture");
            index = *picked;
        }
        if (*indexOption || *atOption) mGIFExt::SetTransparency(gif, true, uint8_t(index), nullptr);
        if (optimize) avi2gif::Optimize(gif, &progress);
        ready = true;
    });
    if (!ready) return reporter.finish();
    bool saved = false;
    std::string reason = "Saving Error GIF file";
    try {
        saved = gif.Save(out);
    } catch (const RuntimeError& e) {
        reason += ": " + e.description();
    }
    const std::string detail = " (" + std::to_string(gif.FramesCount()) + " frames, " +
                               std::to_string(gif.ScreenWidth()) + "x" + std::to_string(gif.ScreenHeight()) + ")";
    reporter.result(saved ? FileReport{in, out, Outcome::Written, {}, detail}
                          : FileReport{in, out, Outcome::Failed, reason, {}, true});
    return reporter.finish();
}

}  // namespace nalo::cli
