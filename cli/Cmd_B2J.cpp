// nalo-convert b2j [--quality Q] [--size WxH] [--skip] FILE...
#include <cstdio>

#include "cli/Subcommands.h"
#include "shell/CheckComponents.h"
#include "tools/b2j/B2jConverter.h"
#include "tools/b2j/ComponentJpegEncoder.h"

namespace nalo::cli {

int runB2J(const Args& args) {
    b2j::Options options;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--skip") {
            options.overwriteMode = tgapcx::OverwriteSkip;
        } else if (a == "--quality" && i + 1 < args.size()) {
            const std::string& q = args[++i];
            int v = 0;
            for (char c : q) v = (c >= '0' && c <= '9' && v < 1000) ? v * 10 + (c - '0') : 1000;
            if (q.empty() || v < 40 || v > 100) return usageError("b2j: --quality takes 40..100");
            options.quality = v;
        } else if (a == "--size" && i + 1 < args.size()) {
            const std::string& s = args[++i];
            const auto x = s.find_first_of("xX");
            if (x == std::string::npos || !b2j::parseSize(s.substr(0, x), s.substr(x + 1), options.width, options.height))
                return usageError("b2j: --size takes WxH, both above 0");
            options.sizeMode = 1;
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("b2j: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) return usageError("b2j: no FILE given");
    const CheckResult check = CheckComponents();
    if (!check.ok) {
        std::fprintf(stderr, "nalo-convert: %s\n", check.message.c_str());
        return 1;
    }
    const auto summary = b2j::convertFiles(files, options, b2j::componentJpegEncoder(), [](const b2j::FileResult& r) {
        switch (r.outcome) {
        case b2j::Outcome::Written: std::printf("written: %s\n", r.output.c_str()); break;
        case b2j::Outcome::Skipped: std::printf("skipped: %s (exists)\n", r.output.c_str()); break;
        case b2j::Outcome::Failed:
            std::fflush(stdout);
            std::fprintf(stderr, "failed: %s: %s\n", r.source.c_str(), r.reason.c_str());
            break;
        }
    });
    return summary.allSucceeded() ? 0 : 1;
}

}  // namespace nalo::cli
