// nalo-convert ico: a picture to a 32 x 32 icon, as the picture-to-icon tool makes it,
// or with --sizes to one icon of several sizes, 32-bit with alpha.
#include <algorithm>
#include <optional>

#include "cli/Command.h"
#include "codecs/AlphaIcoWriter.h"
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

// --sizes: "all" or sides of AllIconSides with commas; ascending, each once.
CLI::Option* addSides(CLI::App& app, std::vector<int>& sides) {
    std::vector<std::string> names{"all"};
    for (int side : AllIconSides) names.push_back(std::to_string(side));
    return app
        .add_option_function<std::vector<std::string>>(
            "--sizes",
            [&sides](const std::vector<std::string>& v) {
                sides.clear();
                for (const std::string& side : v) {
                    if (side != "all") sides.push_back(std::stoi(side));
                    else if (v.size() == 1) sides.assign(std::begin(AllIconSides), std::end(AllIconSides));
                    else throw CLI::ValidationError("--sizes", "takes all alone or sides with commas");
                }
                std::sort(sides.begin(), sides.end());
                sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
            },
            "One 32-bit icon with alpha of these sizes, from the whole picture (256 stored as PNG)")
        ->check(CLI::IsMember(names).description(""))
        ->delimiter(',')
        ->type_name("16,24,32,48,64,128,256|all")
        ->allow_extra_args(false);
}

}  // namespace

int runIco(const Args& args) {
    Command cmd("ico", "A BMP, JPG or GIF picture to a 32 x 32 icon (fitted, shrunk or a square region), or with\n"
                       "--sizes to one 32-bit icon with alpha of several sizes.");
    int bitCount = 0;
    IconCapture capture;
    std::string colourText;
    std::vector<int> region, at, sides;
    std::vector<std::string> files;
    auto* colours = cmd.app.add_option("--colours,--colors", bitCount, "Bits per pixel (required without --sizes)")
                        ->check(CLI::IsMember({1, 4, 8, 24}));
    auto* shrink = cmd.app.add_option("--shrink", capture.quality, "Shrink the picture at quality 0..3")
                       ->check(CLI::Range(0, 3));
    auto* prepare = cmd.app.add_option("--prepare", capture.prepare, "Preparation before shrinking 0..2")
                        ->check(CLI::Range(0, 2));
    auto* regionOption = addIntList(cmd.app, "--region", region, 3, "Capture the square X,Y,SIDE of the picture");
    auto* colour = cmd.app.add_option("--transparent", colourText, "Transparent colour")->check(HexColour);
    auto* colourAt = addIntList(cmd.app, "--transparent-at", at, 2, "Transparent colour of the icon's pixel X,Y");
    regionOption->excludes(shrink)->excludes(prepare);
    colour->excludes(colourAt);
    addSides(cmd.app, sides)
        ->excludes(colours)
        ->excludes(shrink)
        ->excludes(prepare)
        ->excludes(regionOption)
        ->excludes(colourAt);
    cmd.addFiles(files, "FILE", "IN and OUT.ico (OUT.ico not with --out)");
    cmd.addOut("The icon file")->type_name("OUT.ico");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    if (sides.empty() && !*colours) return cmd.usage("--colours {1,4,8,24} is required");
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
    std::optional<ColourValue> key;
    if (*colour) {
        const unsigned long v = std::stoul(colourText, nullptr, 16);
        key = rgb(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    }
    if (!sides.empty()) {
        DecodedPicture source;
        bool loaded = false;
        guardFile(reporter, in, [&] {
            source = loadPictureWithAlpha(in);
            loaded = true;
        });
        if (loaded) guardFile(reporter, out, [&] {
                MakeMultiSizeIcon(source, key, out, sides);
                reporter.result(FileReport{in, out, Outcome::Written});
            });
        return reporter.finish();
    }
    CapturedIcon icon;
    bool captured = false;
    guardFile(reporter, in, [&] {
        icon = captureIconWithAlpha(loadPictureWithAlpha(in), capture);
        captured = true;
    });
    if (!captured) return reporter.finish();
    if (*colourAt) key = icon.picture.pixel(at[0], at[1]);
    guardFile(reporter, out, [&] {
        // A source's alpha stands in for the transparent colour unless one is given.
        const bool byAlpha = !key && !icon.clear.empty();
        if (byAlpha ? MakeIcon(icon.picture, icon.clear, out, bitCount)
                    : MakeIcon(icon.picture, key.value_or(rgb(0, 0, 0)), out, bitCount))
            reporter.result(FileReport{in, out, Outcome::Written});
        else reporter.result(FileReport{in, out, Outcome::Failed, "the icon was not written", {}, true});
    });
    return reporter.finish();
}

}  // namespace nalo::cli
