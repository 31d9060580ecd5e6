// nalo-convert tgapcx KIND [--skip] FILE...
#include <cstdio>

#include "cli/Subcommands.h"
#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo::cli {

int runTgaPcx(const Args& args) {
    using namespace nalo::tgapcx;
    if (args.empty()) return usageError("tgapcx: KIND missing (0..11 or a kind such as PCX-->TGA)");
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
