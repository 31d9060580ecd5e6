// nalo-convert bj2a [--fps N] [--size WxH] [--codec raw|mjpeg|mpeg4|ffv1|h264] [--quality Q] OUT.avi PICTURE...

#include <filesystem>

#include "cli/Command.h"
#include "platform/PictureIo.h"
#include "platform/PictureSize.h"
#include "platform/TemporaryFile.h"
#include "shell/AppPath.h"
#include "shell/RuntimeError.h"
#include "tools/bj2a/Bj2aRules.h"
#include "tools/bj2a/FpsText.h"
#include "tools/bj2a/ImagesToAvi.h"

namespace nalo::cli {

namespace {

struct CodecName {
    const char* name;
    uint32_t handler;
};
constexpr CodecName Codecs[] = {{"raw", comptypeDIB},   {"mjpeg", comptypeMJPG}, {"mpeg4", comptypeFMP4},
                                {"ffv1", comptypeFFV1}, {"h264", comptypeH264}};

// The engine's reasons name their file; the failure line names it once.
std::string withoutName(const std::string& file, const std::string& reason) {
    const std::string prefix = file + ": ";
    return reason.compare(0, prefix.size(), prefix) == 0 ? reason.substr(prefix.size()) : reason;
}

void failureOf(RunReporter& reporter, const std::string& file, const std::string& reason) {
    reporter.failure(file, withoutName(file, reason));
}

}  // namespace

int runBJ2A(const Args& args) {
    Command cmd("bj2a", "BMP/JPG pictures to the frames of an AVI video (defaults: 20 fps, the first picture's size, raw).");
    bj2a::RunRequest request;
    request.fps = bj2a::DefaultFps;
    std::string fps = std::to_string(bj2a::DefaultFps), codecName = "raw";
    int quality = 75;
    FrameSize size;
    std::vector<std::string> files;
    cmd.app.add_option("--fps", fps, "Frames per second, 1..30")->capture_default_str();
    auto* sizeOption = addSize(cmd.app, "--size", size, MaxAviFrameSide, "Frame size (default: the first picture's)");
    std::vector<std::string> codecNames;
    for (const CodecName& c : Codecs) codecNames.push_back(c.name);
    cmd.app.add_option("--codec", codecName, "Video codec")->check(CLI::IsMember(codecNames))->capture_default_str();
    cmd.app.add_option("--quality", quality, "Encoder quality")->check(CLI::Range(0, 100))->capture_default_str();
    cmd.addFiles(files, "FILE", "OUT.avi (not with --out) and the pictures, one per frame");
    cmd.addOut("The AVI file")->type_name("OUT.avi");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    const auto rate = bj2a::ParseFps(fps);
    if (!rate) return cmd.usage("--fps takes 1..30");
    request.fps = *rate;
    if (*sizeOption) {
        request.width = size.width;
        request.height = size.height;
    }
    const CodecName* codec = &Codecs[0];
    for (const CodecName& c : Codecs)
        if (codecName == c.name) codec = &c;
    if (files.size() < (cmd.out.empty() ? 2u : 1u)) return cmd.usage("give OUT.avi and at least one PICTURE");
    request.output = cmd.out.empty() ? files[0] : cmd.out;
    request.pictures.assign(files.begin() + (cmd.out.empty() ? 1 : 0), files.end());
    RunReporter reporter(cmd.reporting());
    reporter.begin(request.pictures.front());
    if (cmd.skip && std::filesystem::exists(request.output)) {
        reporter.result(FileReport{request.pictures.front(), request.output, Outcome::Skipped});
        return reporter.finish();
    }
    if (request.width == 0) {
        // The frame size is the first picture's, read from its header: a picture too
        // large for a frame is refused before anything is decoded.
        const std::string& first = request.pictures.front();
        if (const auto probed = probePictureSize(first)) {
            if (!FitsAviFrame(probed->width, probed->height)) {
                reporter.failure(first, std::to_string(probed->width) + " x " + std::to_string(probed->height) +
                                            " is too large for an AVI frame");
                return reporter.finish();
            }
            request.width = int(probed->width);
            request.height = int(probed->height);
        } else {
            guardFile(reporter, first, [&] {
                try {
                    const Dib picture = loadPicture(first);
                    request.width = picture.width();
                    request.height = picture.height();
                } catch (const RuntimeError& e) {
                    failureOf(reporter, first, e.description());
                }
            });
            if (reporter.failed()) return reporter.finish();
        }
    }
    // No temporary frame file: nothing is left behind if the run is killed. What
    // killed runs of earlier versions left is removed.
    sweepTemporaryFiles(workFolder(), "AVI_Temp", ".bmp");

    bool available = false;
    bj2a::RunHooks hooks;
    hooks.choose = [&](const std::vector<AviCompressor>& list, uint32_t, AVICOMPRESSOPTIONS& options) {
        for (const AviCompressor& c : list) available = available || c.fccHandler == codec->handler;
        options.fccHandler = codec->handler;
        options.dwQuality = uint32_t(quality * 100);
        return available;
    };
    reporter.plan(int64_t(request.pictures.size()), "frames");
    hooks.written = [&](int index, const std::string& picture) {
        reporter.note("frame " + std::to_string(index) + ": " + picture);
        reporter.advance(index);
    };
    bj2a::RunResult r;
    bool ran = false;
    guardFile(reporter, request.output, [&] {
        r = bj2a::WriteAviFromPictures(request, hooks);
        ran = true;
    });
    if (!ran) return reporter.finish();
    const std::string& first = request.pictures.front();
    switch (r.outcome) {
    case bj2a::Outcome::Written: {
        const std::string detail = " (" + std::to_string(r.frames) + " frames, " + std::to_string(request.width) + "x" +
                                   std::to_string(request.height) + ", " + std::to_string(bj2a::LimitFps(request.fps)) +
                                   " fps, " + codec->name + ")";
        reporter.result(FileReport{first, request.output, Outcome::Written, {}, detail});
        break;
    }
    case bj2a::Outcome::Cancelled:
        reporter.result(FileReport{first, request.output, Outcome::Failed,
                                   std::string("no ") + codec->name + " encoder in this FFmpeg", {}, true});
        break;
    case bj2a::Outcome::PictureFailed: failureOf(reporter, r.picture, r.reason); break;
    default:
        reporter.result(FileReport{first, request.output, Outcome::Failed, withoutName(request.output, r.reason), {}, true});
    }
    return reporter.finish();
}

}  // namespace nalo::cli
