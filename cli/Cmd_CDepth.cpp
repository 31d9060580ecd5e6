// nalo-convert cdepth --depth {bw,16,256,full} [--method {default,effect,optimal}]
//                     [--palette {halftone,websafe}] IN OUT.bmp
// "optimal" is each depth's own method: black and white with error diffusion, the
// 16 colours with error diffusion, the optimal 236-colour palette.
#include "cli/Command.h"
#include "imaging/cDIBSection.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/cdepth/CDepthConversion.h"

namespace nalo::cli {

namespace {

// The position of `value` in `names` (the option's choices, already checked).
int indexOf(const std::string& value, const std::vector<std::string>& names) {
    return int(std::find(names.begin(), names.end(), value) - names.begin());
}

}  // namespace

int runCDepth(const Args& args) {
    using namespace nalo::cdepth;
    static const std::vector<std::string> depths{"bw", "16", "256", "full"}, methods{"default", "effect", "optimal"},
        palettes{"halftone", "websafe"};
    Command cmd("cdepth", "A BMP, JPG or GIF picture to a BMP of reduced colour depth.");
    std::string depth, method = "default", palette;
    std::vector<std::string> files;
    cmd.app.add_option("--depth", depth, "Colour depth")->check(CLI::IsMember(depths))->required();
    cmd.app.add_option("--method", method, "Colour correction")->check(CLI::IsMember(methods))->capture_default_str();
    cmd.app.add_option("--palette", palette, "Palette of --depth 256 --method effect")->check(CLI::IsMember(palettes));
    cmd.addFiles(files, "FILE", "IN and OUT.bmp (OUT.bmp not with --out)");
    cmd.addOut("The output BMP file")->type_name("OUT.bmp");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    Options o;
    o.depth = indexOf(depth, depths);
    o.method = indexOf(method, methods);
    if (!palette.empty()) o.palette = indexOf(palette, palettes);
    if (o.depth == FullColour && o.method != MethodDefault) return cmd.usage("full colour takes only --method default");
    if (o.palette != PaletteNone && !(o.method == MethodEffect && o.depth == Colours256))
        return cmd.usage("--palette applies to --depth 256 --method effect");
    if (o.method == MethodEffect && o.depth == Colours256 && o.palette == PaletteNone) o.palette = PaletteHalfTone;
    std::string in, out;
    if (int rc = cmd.sourceAndOutput(files, in, out, "IN and OUT.bmp"); rc >= 0) return rc;

    RunReporter reporter(cmd.reporting());
    reporter.begin(in);
    if (!cmd.refusedOrSkipped(reporter, in, out)) guardFile(reporter, in, [&] {
            cDIBSection work;
            work.CreateFromPicture(loadPicture(in));
            if (work.empty()) throw RuntimeError(err::OutOfMemory, "cdepth", "Picture too large");
            auto saver = convertPicture(work, o, [] { return false; });
            if (!saver) throw RuntimeError(err::UserDefined, "cdepth", "Error in reducing nodes");
            saver->Save(out);
            reporter.result(FileReport{in, out, Outcome::Written});
        });
    return reporter.finish();
}

}  // namespace nalo::cli
