// nalo-convert: the conversions of the tool windows, from the command line.
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/Subcommands.h"
#include "shell/RuntimeError.h"

namespace nalo::cli {

const std::vector<Subcommand>& subcommands() {
    static const std::vector<Subcommand> all = {
        {"tgapcx", runTgaPcx, "TGA/PCX/BMP/GIF/JPG/PNG/WebP/TIFF pictures to BMP, TGA or PCX"},
        {"b2j", runB2J, "BMP pictures to JPG"},
        {"cdepth", runCDepth, "a picture to a BMP of reduced colour depth"},
        {"ico", runIco, "a picture to a 32 x 32 icon"},
        {"avi2gif", runAvi2Gif, "a video (AVI, MP4, MKV, WebM, ...) to an animated GIF"},
        {"bj2a", runBJ2A, "pictures to the frames of a video (AVI, MP4, MOV, MKV, WebM)"},
        {"g2g", runG2G, "animated GIFs to their composed frames"},
        {"a2bj", runA2BJ, "video frames to numbered BMP pictures"},
        {"cd2mp3", runCD2MP3, "audio-CD tracks to MP3 or WAV files"},
    };
    return all;
}

namespace {

void printHelp() {
    std::printf("Usage: nalo-convert TOOL [OPTIONS] [--] FILE...\n\n"
                "Converts pictures, videos and audio-CD tracks as the Nalo tool windows do.\n\nTools:\n");
    for (const auto& s : subcommands()) std::printf("  %-9s %s\n", s.name, s.summary);
    std::printf("\nOptions:\n"
                "  -h, --help     print this help and exit; nalo-convert help TOOL or TOOL --help for a tool\n"
                "  -v, --version  print the version and exit\n\n"
                "Exit status: 0 all converted, 1 a file failed, 2 usage error.\n");
}

const Subcommand* find(const std::string& name) {
    for (const auto& s : subcommands())
        if (name == s.name) return &s;
    return nullptr;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "nalo-convert: %s\n(see nalo-convert --help)\n", message.c_str());
    return 2;
}

}  // namespace
}  // namespace nalo::cli

int main(int argc, char** argv) {
    using namespace nalo::cli;
    // Past a file-size limit a write then fails with EFBIG and is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) return usageError("no tool given");
    const std::string tool = argv[1];
    if (tool == "--version" || tool == "-v") {
        std::printf("nalo-convert %s\n", NALO_VERSION);
        return 0;
    }
    Args args(argv + 2, argv + argc);
    const Subcommand* sub = find(tool);
    if (tool == "--help" || tool == "-h" || tool == "help") {
        if (args.empty()) {
            printHelp();
            return 0;
        }
        sub = find(args[0]);
        if (!sub) return usageError("unknown tool '" + args[0] + "'");
        args = {"--help"};
    }
    if (!sub) return usageError("unknown tool '" + tool + "'");
    try {
        return sub->run(args);
    } catch (const nalo::RuntimeError& e) {
        std::fprintf(stderr, "nalo-convert: error %d (%s): %s\n", e.number(), e.source().c_str(), e.description().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nalo-convert: %s\n", e.what());
        return 1;
    }
}
