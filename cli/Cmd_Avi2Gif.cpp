// nalo-convert avi2gif [--transparent INDEX | --transparent-at X,Y] [--optimize] IN.avi OUT.gif
#include <cstdio>
#include <cstdlib>
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

}  // namespace

int runAvi2Gif(const Args& args) {
    std::optional<long> index;
    std::optional<std::pair<long, long>> at;
    bool optimize = false;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        long v, x, y;
        if (a == "--optimize") {
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
    if (files.size() != 2) return usageError("avi2gif: give IN.avi and OUT.gif");
    const std::string& in = files[0];
    const std::string& out = files[1];
    if (sourceNamedBy(out, {in})) return fileFailure(out, SourceAsOutput);

    mDither8bpp::InitDitherTables();
    cGIF gif;
    if (int failed = guardFile(in, [&] {
            if (!mAVIImp::ImportAVI(in, gif, nullptr)) return fileFailure(in, "loading error AVI file");
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
