// nalo-convert tgapcx KIND [--skip] FILE...   (KIND: 0..20, tga2bmp ..., or "TGA-->BMP" ...)
#include <cstdio>

#include "cli/Subcommands.h"
#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo::cli {

namespace {

void printKinds() {
    std::printf("usage: nalo-convert tgapcx KIND [--skip] FILE...\n\nkinds:\n");
    for (int i = 0; i < tgapcx::KindCount; ++i)
        std::printf("  %2d  %-8s %s\n", i, tgapcx::shortKindName(tgapcx::ConversionKinds[i]).c_str(),
                    tgapcx::ConversionKinds[i].text);
}

}  // namespace

int runTgaPcx(const Args& args) {
    using namespace nalo::tgapcx;
    if (args.empty()) return usageError("tgapcx: KIND missing (0..20 or a short name such as pcx2tga)");
    if (args[0] == "--help" || args[0] == "-h") {
        printKinds();
        return 0;
    }
    const int kind = parseKind(args[0]);
    if (kind < 0) return usageError("tgapcx: unknown kind '" + args[0] + "'");
    int overwrite = OverwriteReplace;
    std::vector<std::string> files;
    bool options = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--skip") {
            overwrite = OverwriteSkip;
        } else if (options && a.size() > 1 && a[0] == '-') {
            return usageError("tgapcx: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) return usageError("tgapcx: no FILE given");

    RunSummary summary = convertFiles(files, ConversionKinds[kind], overwrite, [](const FileResult& r) {
        switch (r.outcome) {
        case Outcome::Written: std::printf("written: %s\n", r.output.c_str()); break;
        case Outcome::Skipped: std::printf("skipped: %s (exists)\n", r.output.c_str()); break;
        case Outcome::Failed:
            std::fflush(stdout);
            std::fprintf(stderr, "failed: %s: %s\n", r.source.c_str(), r.reason.c_str());
            break;
        }
    });
    return summary.allSucceeded() ? 0 : 1;
}

}  // namespace nalo::cli
