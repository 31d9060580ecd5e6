// nalo-convert bj2a [--fps RATE] [--size WxH] [--codec raw|mjpeg|mpeg4|ffv1|h264|vp9] [--quality Q] OUT PICTURE...
// OUT's name chooses the container: .avi AVI, .mp4/.m4v MP4, .mov QuickTime, .mkv
// Matroska, .webm WebM. Without --codec the container's first codec is used. RATE is
// frames per second, 0.1..30: 12, 0.5, 29.97 or 30000/1001.
#include <algorithm>
#include <filesystem>

#include "cli/Command.h"
#include "platform/PictureIo.h"
#include "platform/PictureSize.h"
#include "platform/TemporaryFile.h"
#include "shell/AppPath.h"
#include "shell/RuntimeError.h"
#include "tools/bj2a/Bj2aRules.h"
#include "tools/bj2a/FrameRate.h"
#include "tools/bj2a/ImagesToAvi.h"

namespace nalo::cli {

namespace {

struct CodecName {
    const char* name;
    uint32_t handler;
};
constexpr CodecName Codecs[] = {{"raw", comptypeDIB},   {"mjpeg", comptypeMJPG}, {"mpeg4", comptypeFMP4},
                                {"ffv1", comptypeFFV1}, {"h264", comptypeH264}, {"vp9", comptypeVP90}};

const CodecName* codecNamed(uint32_t handler) {
    for (const CodecName& c : Codecs)
        if (c.handler == handler) return &c;
    return nullptr;
}

// "h264 or mpeg4": the codecs a container takes.
std::string codecsOf(VideoContainer container) {
    std::string text;
    const auto& handlers = ContainerHandlers(container);
    for (size_t i = 0; i < handlers.size(); ++i)
        text += (i == 0 ? "" : i + 1 == handlers.size() ? " or " : ", ") + std::string(codecNamed(handlers[i])->name);
    return text;
}

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
    Command cmd("bj2a", "Pictures to the frames of a video; OUT's name chooses the container: .avi AVI, .mp4/.m4v MP4, "
                        ".mov QuickTime, .mkv Matroska, .webm WebM (defaults: 20 fps, the first picture's size, raw for "
                        "AVI, otherwise the container's first codec).");
    bj2a::RunRequest request;
    std::string fps = std::to_string(bj2a::DefaultFps), codecName;
    int quality = 75;
    FrameSize size;
    std::vector<std::string> files;
    cmd.app.add_option("--fps", fps, "Frames per second, 0.1..30: 12, 0.5, 29.97 or 30000/1001")->capture_default_str();
    auto* sizeOption = addSize(cmd.app, "--size", size, MaxAviFrameSide, "Frame size (default: the first picture's)");
    std::vector<std::string> codecNames;
    for (const CodecName& c : Codecs) codecNames.push_back(c.name);
    cmd.app.add_option("--codec", codecName, "Video codec")->check(CLI::IsMember(codecNames));
    cmd.app.add_option("--quality", quality, "Encoder quality")->check(CLI::Range(0, 100))->capture_default_str();
    cmd.addFiles(files, "FILE", "OUT.avi (not with --out) and the pictures, one per frame");
    cmd.addOut("The AVI file")->type_name("OUT.avi");
    cmd.addSkip();
    cmd.addReporting();
    if (int rc = cmd.parse(args); rc >= 0) return rc;
    const auto rate = bj2a::ParseFrameRate(fps);
    if (!rate) return cmd.usage("--fps takes 0.1..30, as 12, 0.5 or 30000/1001");
    request.fps = *rate;
    if (*sizeOption) {
        request.width = size.width;
        request.height = size.height;
    }
    const CodecName* codec = nullptr;  // the container's first
    for (const CodecName& c : Codecs)
        if (codecName == c.name) codec = &c;
    if (files.size() < (cmd.out.empty() ? 2u : 1u)) return cmd.usage("give OUT.avi and at least one PICTURE");
    request.output = cmd.out.empty() ? files[0] : cmd.out;
    request.pictures.assign(files.begin() + (cmd.out.empty() ? 1 : 0), files.end());
    const VideoContainer container = ContainerForPath(request.output);
    const auto& handlers = ContainerHandlers(container);
    if (codec && std::find(handlers.begin(), handlers.end(), codec->handler) == handlers.end())
        return cmd.usage(std::string(ContainerName(container)) + " takes --codec " + codecsOf(container));
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
        // Without --codec: the container's first codec FFmpeg can encode.
        if (!codec) codec = codecNamed(list.empty() ? handlers.front() : list.front().fccHandler);
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
    if (r.padded(request))
        reporter.note("note: " + std::to_string(request.width) + "x" + std::to_string(request.height) + " padded to " +
                      std::to_string(r.storedWidth) + "x" + std::to_string(r.storedHeight) + ": the " + codec->name +
                      " encoder takes no odd width or height");
    switch (r.outcome) {
    case bj2a::Outcome::Written: {
        const std::string detail = " (" + std::to_string(r.frames) + " frames, " + std::to_string(request.width) + "x" +
                                   std::to_string(request.height) + ", " + bj2a::FrameRateText(request.fps) + " fps, " +
                                   codec->name + ")";
        reporter.result(FileReport{first, request.output, Outcome::Written, {}, detail});
        break;
    }
    case bj2a::Outcome::Cancelled:
        reporter.result(FileReport{first, request.output, Outcome::Failed,
                                   std::string("no ") + (codec ? codec->name : codecsOf(container).c_str()) +
                                       " encoder in this FFmpeg",
                                   {}, true});
        break;
    case bj2a::Outcome::PictureFailed: failureOf(reporter, r.picture, r.reason); break;
    default:
        reporter.result(FileReport{first, request.output, Outcome::Failed, withoutName(request.output, r.reason), {}, true});
    }
    return reporter.finish();
}

}  // namespace nalo::cli
