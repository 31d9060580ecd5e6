// nalo-convert tgapcx KIND [OPTIONS] FILE...
#include "cli/Command.h"
#include "cli/FileBatch.h"
#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo::cli {

namespace {

std::string kindList() {
    std::string text = "Kinds (by number, short name or list text):\n";
    for (size_t i = 0; i < tgapcx::ConversionKinds.size(); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "  %2zu  %-8s %s\n", i, tgapcx::shortKindName(tgapcx::ConversionKinds[i]).c_str(),
                      tgapcx::ConversionKinds[i].text);
        text += line;
    }
    return text;
}

}  // namespace

int runTgaPcx(const Args& args) {
    using namespace nalo::tgapcx;
    Command cmd("tgapcx", "TGA, PCX, BMP, GIF, JPG, PNG, WebP and TIFF pictures to BMP, TGA or PCX, each beside its source "
                          "under its name up to the first dot.");
    std::string kindText;
    std::vector<std::string> files;
    cmd.app.add_option("KIND", kindText, "The conversion kind (see the list below)")->required();
    cmd.addFiles(files, "FILE", "Pictures to convert")->required();
    cmd.addOut("Folder for the outputs (default: beside each source)")->type_name("DIR");
    cmd.addSkip();
    cmd.addJobs();
    cmd.addReporting();
    cmd.app.footer(kindList());
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    const int kind = parseKind(kindText);
    if (kind < 0) return cmd.usage("unknown kind '" + kindText + "'");
    const ConversionKind& k = ConversionKinds[size_t(kind)];
    const int mode = cmd.skip ? OverwriteSkip : OverwriteReplace;

    RunReporter reporter(cmd.reporting());
    const FileBatch batch{cmd, args, files, [&](const std::string& f) { return cmd.placed(outputPathFor(f, k)); },
                          [&](size_t i, RunReporter& r) {
                              r.result(convertFileTo(files[i], cmd.placed(outputPathFor(files[i], k)), k, mode));
                          }};
    return batch.run(reporter);
}

}  // namespace nalo::cli
