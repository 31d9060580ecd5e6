// nalo-convert a2bj [--from A] [--to B] [--every N] [--size WxH] [--skip] [--name BASE] [--png] --out DIR IN.avi
#include <cstdio>

#include "cli/Subcommands.h"
#include "shell/FileHelpers.h"
#include "tools/a2bj/FrameExtraction.h"

namespace nalo::cli {

namespace {

int extract(const std::string& avi, a2bj::InputTexts texts, bool fromGiven, bool toGiven, const std::string& baseName,
            int overwriteMode, bool png) {
    a2bj::AviFrameSource source;
    switch (source.open(avi)) {
    case a2bj::AviOpen::Ok: break;
    case a2bj::AviOpen::Not24Bit: return fileFailure(avi, "its frames cannot be decoded at 24 bits");
    case a2bj::AviOpen::NoFrames:
    case a2bj::AviOpen::Unreadable: return fileFailure(avi, "not a readable AVI video");
    }
    if (!FolderExists(texts.folder)) return fileFailure(texts.folder, "no such folder");
    const a2bj::StreamFacts& facts = source.facts();
    if (!fromGiven) texts.from = std::to_string(facts.first);
    if (!toGiven) texts.to = std::to_string(facts.last());
    a2bj::Inputs inputs;
    if (const auto error = a2bj::checkInputs(texts, inputs)) return usageError("a2bj: " + *error);
    a2bj::Plan plan = a2bj::planFor(facts, inputs, texts.folder, baseName, overwriteMode);
    plan.png = png;
    const auto result = a2bj::extractFrames(source, plan, [](const a2bj::FileResult& r) {
        switch (r.outcome) {
        case a2bj::Outcome::Written: std::printf("written: %s\n", r.output.c_str()); break;
        case a2bj::Outcome::Skipped: std::printf("skipped: %s (exists)\n", r.output.c_str()); break;
        case a2bj::Outcome::Failed: fileFailure(r.output, r.reason); break;
        }
        return true;
    });
    for (int32_t frame : result.undecoded)
        fileFailure(AddBackslash(plan.folder) + a2bj::frameFileName(baseName, frame, png),
                    "frame " + std::to_string(frame) + " of " + avi + " cannot be decoded");
    return result.files.allSucceeded() && result.undecoded.empty() ? 0 : 1;
}

}  // namespace

int runA2BJ(const Args& args) {
    a2bj::InputTexts texts;
    texts.every = "1";
    std::string baseName, avi;
    bool fromGiven = false, toGiven = false, png = false;
    int overwriteMode = tgapcx::OverwriteReplace;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--skip") {
            overwriteMode = tgapcx::OverwriteSkip;
        } else if (a == "--png") {
            png = true;
        } else if (a == "--from" && hasValue) {
            texts.from = args[++i];
            fromGiven = true;
        } else if (a == "--to" && hasValue) {
            texts.to = args[++i];
            toGiven = true;
        } else if (a == "--every" && hasValue) {
            texts.every = args[++i];
        } else if (a == "--name" && hasValue) {
            baseName = args[++i];
        } else if (a == "--out" && hasValue) {
            texts.folder = args[++i];
        } else if (a == "--size" && hasValue) {
            const std::string& s = args[++i];
            const auto x = s.find_first_of("xX");
            if (x == std::string::npos) return usageError("a2bj: --size takes WxH");
            texts.resize = true;
            texts.width = s.substr(0, x);
            texts.height = s.substr(x + 1);
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("a2bj: unknown option '" + a + "'");
        } else if (avi.empty()) {
            avi = a;
        } else {
            return usageError("a2bj: one IN.avi only");
        }
    }
    if (avi.empty()) return usageError("a2bj: no IN.avi given");
    if (texts.folder.empty()) return usageError("a2bj: --out DIR is required");
    return guardFile(avi, [&] { return extract(avi, texts, fromGiven, toGiven, baseName, overwriteMode, png); });
}

}  // namespace nalo::cli
