// nalo-convert cdepth --depth {bw,16,256,full} --method {default,effect,optimal}
//                     [--palette {halftone,websafe}] IN OUT.bmp|OUT.png
// "optimal" is each depth's own method: black and white with error diffusion, the
// 16 colours with error diffusion, the optimal 236-colour palette.
#include <cstdio>

#include "cli/Subcommands.h"
#include "imaging/cDIBSection.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/cdepth/CDepthConversion.h"

namespace nalo::cli {

namespace {
int pick(const std::string& v, std::initializer_list<const char*> names) {
    int i = 0;
    for (const char* n : names) {
        if (v == n) return i;
        ++i;
    }
    return -1;
}
}  // namespace

int runCDepth(const Args& args) {
    using namespace nalo::cdepth;
    Options o;
    o.depth = -1;
    o.method = MethodDefault;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--depth" || a == "--method" || a == "--palette") {
            if (i + 1 >= args.size()) return usageError("cdepth: " + a + " needs a value");
            const std::string& v = args[++i];
            int n;
            if (a == "--depth") n = o.depth = pick(v, {"bw", "16", "256", "full"});
            else if (a == "--method") n = o.method = pick(v, {"default", "effect", "optimal"});
            else n = o.palette = pick(v, {"halftone", "websafe"});
            if (n < 0) return usageError("cdepth: bad value '" + v + "' for " + a);
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("cdepth: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (o.depth < 0) return usageError("cdepth: --depth missing");
    if (files.size() != 2) return usageError("cdepth: IN and OUT.bmp expected");
    if (o.depth == FullColour && o.method != MethodDefault)
        return usageError("cdepth: full colour takes only --method default");
    if (o.palette != PaletteNone && !(o.method == MethodEffect && o.depth == Colours256))
        return usageError("cdepth: --palette applies to --depth 256 --method effect");
    if (o.method == MethodEffect && o.depth == Colours256 && o.palette == PaletteNone) o.palette = PaletteHalfTone;

    const std::string& in = files[0];
    const std::string& out = files[1];
    if (sourceNamedBy(out, {in})) return fileFailure(out, SourceAsOutput);
    if (int failed = guardFile(in, [&] {
            cDIBSection work;
            work.CreateFromPicture(loadPicture(in));
            if (work.empty()) throw RuntimeError(err::OutOfMemory, "cdepth", "Picture too large");
            auto saver = convertPicture(work, o, [] { return false; });
            if (!saver) throw RuntimeError(err::UserDefined, "cdepth", "Error in reducing nodes");
            saver->Save(out);
            return 0;
        }))
        return failed;
    std::printf("written: %s\n", out.c_str());
    return 0;
}

}  // namespace nalo::cli
