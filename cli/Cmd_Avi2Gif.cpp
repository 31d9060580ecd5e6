// nalo-convert avi2gif [--transparent INDEX | --transparent-at X,Y] [--optimize]
//     [--fps N] [--width W] [--height H] [--start T] [--end T] [--loop N] [--palette cube|adaptive]
//     IN.avi OUT.gif
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <optional>

#include "cli/Subcommands.h"
#include "codecs/GifAnimation.h"
#include "imaging/Dither8bpp.h"
#include "imaging/GifOptimizer.h"
#include "platform/FileIdentity.h"
#include "shell/RuntimeError.h"
#include "tools/avi2gif/Avi2GifRules.h"
#include "tools/avi2gif/AviImport.h"

namespace nalo::cli {

namespace {

bool parsePoint(const std::string& s, long& x, long& y) {
    auto comma = s.find(',');
    return comma != std::string::npos && parseIntArg(s.substr(0, comma), 0, 32767, x) &&
           parseIntArg(s.substr(comma + 1), 0, 32767, y);
}

bool parseNumber(const std::string& s, double lo, double hi, double& out) {
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return !s.empty() && end && *end == '\0' && std::isfinite(out) && out >= lo && out <= hi;
}

// The output controls: frame rate, size, trim, loop count and palette, into the import's options.
// Nothing when args[i] is not one of them; else 0 with its value consumed, or the exit
// code of a usage error.
std::optional<int> parseOutputOption(const Args& args, size_t& i, mAVIImp::AviImportOptions& o) {
    const std::string& a = args[i];
    static const char* const names[] = {"--fps", "--width", "--height", "--start", "--end", "--loop", "--palette"};
    if (std::find(std::begin(names), std::end(names), a) == std::end(names)) return std::nullopt;
    if (i + 1 >= args.size()) return usageError("avi2gif: " + a + " needs a value");
    const std::string& v = args[++i];
    long n;
    double x;
    if (a == "--fps") {
        if (!parseNumber(v, 0.1, 100, x)) return usageError("avi2gif: --fps takes 0.1..100");
        o.fps = x;
    } else if (a == "--width" || a == "--height") {
        if (!parseIntArg(v, 1, 32767, n)) return usageError("avi2gif: " + a + " takes 1..32767");
        (a == "--width" ? o.width : o.height) = static_cast<int32_t>(n);
    } else if (a == "--start" || a == "--end") {
        if (!parseNumber(v, 0, 1e7, x)) return usageError("avi2gif: " + a + " takes seconds, 0 or more");
        if (a == "--start") o.start = x;
        else o.end = x;
    } else if (a == "--palette") {
        if (v != "cube" && v != "adaptive") return usageError("avi2gif: --palette takes cube or adaptive");
        o.palette = v == "cube" ? mAVIImp::GifPalette::Cube : mAVIImp::GifPalette::Adaptive;
    } else {
        if (!parseIntArg(v, 0, 65535, n)) return usageError("avi2gif: --loop takes 0..65535 (0 = endless)");
        o.loops = static_cast<int16_t>(static_cast<uint16_t>(n));
    }
    return 0;
}

}  // namespace

int runAvi2Gif(const Args& args) {
    std::optional<long> index;
    std::optional<std::pair<long, long>> at;
    bool optimize = false;
    mAVIImp::AviImportOptions options;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        long v, x, y;
        if (auto r = parseOutputOption(args, i, options)) {
            if (*r) return *r;
        } else if (a == "--optimize") {
            optimize = true;
        } else if (a == "--transparent" && i + 1 < args.size()) {
            if (!parseIntArg(args[++i], 0, 255, v)) return usageError("avi2gif: --transparent takes 0..255");
            index = v;
        } else if (a == "--transparent-at" && i + 1 < args.size()) {
            if (!parsePoint(args[++i], x, y)) return usageError("avi2gif: --transparent-at takes X,Y");
            at = std::make_pair(x, y);
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("avi2gif: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (index && at) return usageError("avi2gif: give --transparent or --transparent-at, not both");
    if (options.end && *options.end <= options.start) return usageError("avi2gif: --end must come after --start");
    if (files.size() != 2) return usageError("avi2gif: give IN.avi and OUT.gif");
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (sourceNamedBy(out, {in})) return fileFailure(out, SourceAsOutput);

    mDither8bpp::InitDitherTables();
    cGIF gif;
    if (int failed = guardFile(in, [&] {
            if (!mAVIImp::ImportAVI(in, gif, nullptr, options)) return fileFailure(in, "loading error AVI file");
            if (at) {
                auto picked = avi2gif::PickTransparentIndex(gif, 1, static_cast<int32_t>(at->first),
                                                             static_cast<int32_t>(at->second));
                if (!picked)
                    return fileFailure(in, "point " + std::to_string(at->first) + "," + std::to_string(at->second) +
                                               " is outside the picture");
                index = *picked;
            }
            if (index) mGIFExt::SetTransparency(gif, true, static_cast<uint8_t>(*index), nullptr);
            if (optimize) avi2gif::Optimize(gif, nullptr);
            return 0;
        }))
        return failed;
    bool saved = false;
    std::string reason = "Saving Error GIF file";
    try {
        saved = gif.Save(out);
    } catch (const RuntimeError& e) {
        reason += ": " + e.description();
    }
    if (!saved) return fileFailure(out, reason);
    std::printf("written: %s (%d frames, %dx%d)\n", out.c_str(), gif.FramesCount(), gif.ScreenWidth(),
                gif.ScreenHeight());
    return 0;
}

}  // namespace nalo::cli
