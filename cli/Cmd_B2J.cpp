// nalo-convert b2j [OPTIONS] FILE...
#include "cli/Command.h"
#include "cli/FileBatch.h"
#include "shell/CheckComponents.h"
#include "tools/b2j/B2jConverter.h"
#include "tools/b2j/ComponentJpegEncoder.h"

namespace nalo::cli {

int runB2J(const Args& args) {
    Command cmd("b2j", "BMP pictures to JPG, each beside its source under its name up to the first dot.");
    b2j::Options options;
    FrameSize size;
    std::vector<std::string> files;
    cmd.app.add_option("--quality", options.quality, "JPEG quality")->check(CLI::Range(40, 100))->capture_default_str();
    auto* sizeOption = addSize(cmd.app, "--size", size, 32767, "Scale every picture to W x H");
    cmd.addFiles(files, "FILE", "Bitmaps to convert")->required();
    cmd.addOut("Folder for the JPG files (default: beside each source)")->type_name("DIR");
    cmd.addSkip();
    cmd.addJobs();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    if (*sizeOption) {
        options.sizeMode = 1;
        options.width = size.width;
        options.height = size.height;
    }
    options.overwriteMode = cmd.skip ? tgapcx::OverwriteSkip : tgapcx::OverwriteReplace;
    const CheckResult check = CheckComponents();
    if (!check.ok) {
        std::fprintf(stderr, "nalo-convert: %s\n", check.message.c_str());
        return 1;
    }
    RunReporter reporter(cmd.reporting());
    const FileBatch batch{cmd, args, files, [&](const std::string& f) { return cmd.placed(b2j::outputPathFor(f)); },
                          [&](size_t i, RunReporter& r) {
                              r.result(b2j::convertFileTo(files[i], cmd.placed(b2j::outputPathFor(files[i])), options,
                                                          b2j::componentJpegEncoder()));
                          }};
    return batch.run(reporter);
}

}  // namespace nalo::cli
