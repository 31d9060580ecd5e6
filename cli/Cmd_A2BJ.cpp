// nalo-convert a2bj [--from A] [--to B] [--every N] [--size WxH] [--name BASE] [-o DIR] IN.avi
#include "cli/Command.h"
#include "shell/FileHelpers.h"
#include "tools/a2bj/FrameExtraction.h"

namespace nalo::cli {

namespace {

// Leaves in `usage` what the inputs break, if anything.
void extract(RunReporter& reporter, const Command& cmd, const std::string& avi, a2bj::InputTexts texts,
             const std::string& baseName, std::string& usage) {
    a2bj::AviFrameSource source;
    switch (source.open(avi)) {
    case a2bj::AviOpen::Ok: break;
    case a2bj::AviOpen::Not24Bit: return reporter.failure(avi, "its frames cannot be decoded at 24 bits");
    case a2bj::AviOpen::NoFrames:
    case a2bj::AviOpen::Unreadable: return reporter.failure(avi, "not a readable AVI video");
    }
    if (!FolderExists(texts.folder)) return reporter.failure(texts.folder, "no such folder");
    const a2bj::StreamFacts& facts = source.facts();
    if (texts.from.empty()) texts.from = std::to_string(facts.first);
    if (texts.to.empty()) texts.to = std::to_string(facts.last());
    a2bj::Inputs inputs;
    if (const auto error = a2bj::checkInputs(texts, inputs)) {
        usage = *error;
        return;
    }
    const a2bj::Plan plan = a2bj::planFor(facts, inputs, texts.folder, baseName,
                                          cmd.skip ? tgapcx::OverwriteSkip : tgapcx::OverwriteReplace);
    reporter.plan(a2bj::frameCount(plan), "frames");
    int64_t done = 0;
    const auto result = a2bj::extractFrames(source, plan, [&](const a2bj::FileResult& r) {
        reporter.result(FileReport{avi, r.output, r.outcome, r.reason, {}, true});
        reporter.advance(++done);
        return true;
    });
    for (int32_t frame : result.undecoded)
        reporter.result(FileReport{avi, AddBackslash(plan.folder) + a2bj::frameFileName(baseName, frame), Outcome::Failed,
                                   "frame " + std::to_string(frame) + " of " + avi + " cannot be decoded", {}, true});
}

}  // namespace

int runA2BJ(const Args& args) {
    Command cmd("a2bj", "The frames of an AVI video to numbered BMP files (BASE0000.bmp ...).");
    a2bj::InputTexts texts;
    texts.every = "1";
    int from = 0, to = 0, every = 1;
    FrameSize size;
    std::string baseName;
    std::vector<std::string> files;
    auto* fromOption = cmd.app.add_option("--from", from, "First frame")->check(CLI::NonNegativeNumber);
    auto* toOption = cmd.app.add_option("--to", to, "Last frame")->check(CLI::NonNegativeNumber);
    cmd.app.add_option("--every", every, "Every N-th frame")->check(CLI::NonNegativeNumber)->capture_default_str();
    auto* sizeOption = addSize(cmd.app, "--size", size, 32767, "Frame files of W x H");
    cmd.app.add_option("--name", baseName, "Base of the frame file names");
    cmd.addFiles(files, "FILE", "The AVI video")->required()->expected(1);
    cmd.addOut("Folder for the frame files (default: the video's folder)")->type_name("DIR");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    const std::string& avi = files[0];
    if (*fromOption) texts.from = std::to_string(from);
    if (*toOption) texts.to = std::to_string(to);
    texts.every = std::to_string(every);
    if (*sizeOption) {
        texts.resize = true;
        texts.width = std::to_string(size.width);
        texts.height = std::to_string(size.height);
    }
    texts.folder = cmd.out.empty() ? ParentPath(avi) : cmd.out;
    if (texts.folder.empty()) texts.folder = ".";
    RunReporter reporter(cmd.reporting());
    reporter.begin(avi);
    std::string usage;
    guardFile(reporter, avi, [&] { extract(reporter, cmd, avi, texts, baseName, usage); });
    return usage.empty() ? reporter.finish() : cmd.usage(usage);
}

}  // namespace nalo::cli
