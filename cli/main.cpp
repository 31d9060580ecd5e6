// nalo-convert: the conversions of the tool windows, from the command line.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/Subcommands.h"
#include "shell/RuntimeError.h"

namespace nalo::cli {

int usageError(const std::string& message) {
    std::fprintf(stderr, "nalo-convert: %s\n(see nalo-convert --help)\n", message.c_str());
    return 2;
}

int fileFailure(const std::string& file, const std::string& reason) {
    std::fflush(stdout);
    std::fprintf(stderr, "failed: %s: %s\n", file.c_str(), reason.c_str());
    return 1;
}

namespace {

struct Subcommand {
    const char* name;
    int (*run)(const Args&);
    const char* usage;
};

constexpr Subcommand kSubcommands[] = {
    {"tgapcx", runTgaPcx, "tgapcx KIND [--skip] FILE...          TGA/PCX/BMP/GIF/JPG/PNG/WebP/TIFF to BMP, TGA or PCX (KIND: tga2bmp ..., see tgapcx --help)"},
    {"b2j", runB2J, "b2j [--quality Q] [--size WxH] [--skip] FILE...   BMP (or PNG/WebP/TIFF) to JPG"},
    {"cdepth", runCDepth,
     "cdepth --depth {bw,16,256,full} --method {default,effect,optimal} [--palette {halftone,websafe}] IN OUT.bmp"},
    {"ico", runIco,
     "ico --colours {1,4,8,24} [--shrink QUALITY [--prepare {0,1,2}] | --region X,Y,SIDE]\n"
     "      [--transparent RRGGBB | --transparent-at X,Y] IN OUT.ico"},
    {"avi2gif", runAvi2Gif, "avi2gif [--transparent INDEX | --transparent-at X,Y] [--optimize] [--fps N] [--width W] [--height H] [--start T] [--end T] [--loop N] [--palette cube|adaptive] IN.avi OUT.gif"},
    {"bj2a", runBJ2A,
     "bj2a [--fps RATE] [--size WxH] [--codec raw|mjpeg|mpeg4|ffv1|h264|vp9] [--quality Q] OUT PICTURE...\n"
     "      BMP/JPG/GIF/PNG/WebP/TIFF pictures to the frames of a video; OUT's name chooses the container: .avi AVI,\n"
     "      .mp4/.mov MP4 (h264, mpeg4), .mkv Matroska (h264, vp9, mpeg4, mjpeg, ffv1), .webm WebM (vp9)\n"
     "      (RATE frames per second, 0.1..30: 12, 0.5, 30000/1001; defaults: 20 fps, the first picture's\n"
     "      size, raw for AVI, otherwise the first codec named)"},
    {"g2g", runG2G, "g2g [--to bmp|gif] [--transparent] FILE.gif...   animated GIF to its composed frames"},
    {"a2bj", runA2BJ,
     "a2bj [--from A] [--to B] [--every N] [--size WxH] [--skip] [--name BASE] --out DIR IN.avi\n"
     "      AVI frames to numbered BMP files (BASE0000.bmp ...)"},
    {"cd2mp3", runCD2MP3,
     "cd2mp3 --list [--image FILE.cue]   CD drives and disc images with their tracks\n"
     "  cd2mp3 [--drive N|NAME | --image FILE.cue] [--tracks 1,3-5|all] [--to mp3|wav] [--bitrate K]\n"
     "      [--quality low|normal|high] [--skip] --out DIR   audio-CD tracks to \"Track 03.mp3\" ..."},
};

void printHelp() {
    std::printf("usage: nalo-convert TOOL [OPTIONS] FILE...\n\ntools:\n");
    for (const auto& s : kSubcommands) std::printf("  %s\n", s.usage);
    std::printf("\nexit status: 0 all converted, 1 a file failed, 2 usage error\n");
}

}  // namespace
}  // namespace nalo::cli

int main(int argc, char** argv) {
    using namespace nalo::cli;
    // Past a file-size limit a write then fails with EFBIG and is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) return usageError("no tool given");
    std::string tool = argv[1];
    if (tool == "--version" || tool == "-v") {
        std::printf("nalo-convert %s\n", NALO_VERSION);
        return 0;
    }
    if (tool == "--help" || tool == "-h" || tool == "help") {
        printHelp();
        return 0;
    }
    Args args(argv + 2, argv + argc);
    for (const auto& s : kSubcommands) {
        if (tool == s.name) {
            try {
                return s.run(args);
            } catch (const nalo::RuntimeError& e) {
                std::fprintf(stderr, "nalo-convert: error %d (%s): %s\n", e.number(), e.source().c_str(),
                             e.description().c_str());
                return 1;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "nalo-convert: %s\n", e.what());
                return 1;
            }
        }
    }
    return usageError("unknown tool '" + tool + "'");
}
