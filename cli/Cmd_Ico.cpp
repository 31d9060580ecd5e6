// nalo-convert ico: a picture to a 32 x 32 icon, as the picture-to-icon tool makes it.
#include <optional>

#include "cli/Command.h"
#include "codecs/IcoWriter.h"
#include "platform/PictureIo.h"
#include "tools/pic2ico/IconCapture.h"
#include "tools/pic2ico/PicToIcon.h"

namespace nalo::cli {

namespace {

// RRGGBB.
const CLI::Validator HexColour(
    [](std::string& v) {
        return v.size() == 6 && v.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos
                   ? std::string()
                   : std::string("takes a colour RRGGBB");
    },
    "RRGGBB", "colour");

}  // namespace

int runIco(const Args& args) {
    Command cmd("ico", "A BMP, JPG or GIF picture to a 32 x 32 icon (fitted, shrunk or a square region).");
    int bitCount = 0;
    IconCapture capture;
    std::string colourText;
    std::vector<int> region, at;
    std::vector<std::string> files;
    cmd.app.add_option("--colours,--colors", bitCount, "Bits per pixel")->check(CLI::IsMember({1, 4, 8, 24}))->required();
    auto* shrink = cmd.app.add_option("--shrink", capture.quality, "Shrink the picture at quality 0..3")
                       ->check(CLI::Range(0, 3));
    auto* prepare = cmd.app.add_option("--prepare", capture.prepare, "Preparation before shrinking 0..2")
                        ->check(CLI::Range(0, 2));
    auto* regionOption = addIntList(cmd.app, "--region", region, 3, "Capture the square X,Y,SIDE of the picture");
    auto* colour = cmd.app.add_option("--transparent", colourText, "Transparent colour")->check(HexColour);
    auto* colourAt = addIntList(cmd.app, "--transparent-at", at, 2, "Transparent colour of the icon's pixel X,Y");
    regionOption->excludes(shrink)->excludes(prepare);
    colour->excludes(colourAt);
    cmd.addFiles(files, "FILE", "IN and OUT.ico (OUT.ico not with --out)");
    cmd.addOut("The icon file")->type_name("OUT.ico");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    if (*regionOption) {
        if (region[2] < 1) return cmd.usage("--region takes X,Y,SIDE with SIDE at least 1");
        capture.kind = IconCapture::Region;
        capture.region = {region[0], region[1], region[2]};
    }
    if (*colourAt && (at[0] < 0 || at[0] >= IconSide || at[1] < 0 || at[1] >= IconSide))
        return cmd.usage("--transparent-at takes X,Y inside the 32 x 32 icon");
    std::string in, out;
    if (int rc = cmd.sourceAndOutput(files, in, out, "one input picture and one output icon"); rc >= 0) return rc;

    RunReporter reporter(cmd.reporting());
    reporter.begin(in);
    if (cmd.refusedOrSkipped(reporter, in, out)) return reporter.finish();
    Dib icon;
    bool captured = false;
    guardFile(reporter, in, [&] {
        icon = captureIcon(loadPicture(in), capture);
        captured = true;
    });
    if (!captured) return reporter.finish();
    ColourValue key = rgb(0, 0, 0);
    if (*colour) {
        const unsigned long v = std::stoul(colourText, nullptr, 16);
        key = rgb(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    }
    if (*colourAt) key = icon.pixel(at[0], at[1]);
    guardFile(reporter, out, [&] {
        if (MakeIcon(icon, key, out, bitCount)) reporter.result(FileReport{in, out, Outcome::Written});
        else reporter.result(FileReport{in, out, Outcome::Failed, "the icon was not written", {}, true});
    });
    return reporter.finish();
}

}  // namespace nalo::cli
