// nalo-convert bj2a [--fps RATE] [--size WxH] [--codec raw|mjpeg|mpeg4|ffv1|h264|vp9] [--quality Q] OUT PICTURE...
// OUT's name chooses the container: .avi AVI, .mp4/.m4v MP4, .mov QuickTime, .mkv
// Matroska, .webm WebM. Without --codec the container's first codec is used. RATE is
// frames per second, 0.1..30: 12, 0.5, 29.97 or 30000/1001.
#include <algorithm>
#include <cstdio>

#include "cli/Subcommands.h"
#include "platform/PictureIo.h"
#include "platform/PictureSize.h"
#include "platform/TemporaryFile.h"
#include "shell/AppPath.h"
#include "shell/RuntimeError.h"
#include "tools/bj2a/Bj2aRules.h"
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

bool parseSize(const std::string& s, int& w, int& h) {
    const auto x = s.find('x');
    long a, b;
    if (x == std::string::npos || !parseIntArg(s.substr(0, x), 1, MaxAviFrameSide, a) ||
        !parseIntArg(s.substr(x + 1), 1, MaxAviFrameSide, b))
        return false;
    w = int(a), h = int(b);
    return true;
}

// The engine's reasons name their file; the failure line names it once.
int failureOf(const std::string& file, const std::string& reason) {
    const std::string prefix = file + ": ";
    return fileFailure(file, reason.compare(0, prefix.size(), prefix) == 0 ? reason.substr(prefix.size()) : reason);
}

}  // namespace

int runBJ2A(const Args& args) {
    bj2a::RunRequest request;
    const CodecName* codec = nullptr;  // the container's first
    long quality = 75;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--fps" && hasValue) {
            const auto rate = bj2a::ParseFrameRate(args[++i]);
            if (!rate) return usageError("bj2a: --fps takes 0.1..30, as 12, 0.5 or 30000/1001");
            request.fps = *rate;
        } else if (a == "--size" && hasValue) {
            if (!parseSize(args[++i], request.width, request.height))
                return usageError("bj2a: --size takes WxH, both 1..32767");
        } else if (a == "--quality" && hasValue) {
            if (!parseIntArg(args[++i], 0, 100, quality)) return usageError("bj2a: --quality takes 0..100");
        } else if (a == "--codec" && hasValue) {
            const std::string& name = args[++i];
            codec = nullptr;
            for (const CodecName& c : Codecs)
                if (name == c.name) codec = &c;
            if (!codec) return usageError("bj2a: --codec takes raw, mjpeg, mpeg4, ffv1, h264 or vp9");
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("bj2a: unknown option '" + a + "'");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() < 2) return usageError("bj2a: give OUT.avi and at least one PICTURE");
    request.output = files[0];
    request.pictures.assign(files.begin() + 1, files.end());
    const VideoContainer container = ContainerForPath(request.output);
    const auto& handlers = ContainerHandlers(container);
    if (codec && std::find(handlers.begin(), handlers.end(), codec->handler) == handlers.end())
        return usageError(std::string("bj2a: ") + ContainerName(container) + " takes --codec " + codecsOf(container));
    if (request.width == 0) {
        // The frame size is the first picture's, read from its header: a picture too
        // large for a frame is refused before anything is decoded.
        const std::string& first = request.pictures.front();
        if (const auto size = probePictureSize(first)) {
            if (!FitsAviFrame(size->width, size->height))
                return fileFailure(first, std::to_string(size->width) + " x " + std::to_string(size->height) +
                                              " is too large for an AVI frame");
            request.width = int(size->width);
            request.height = int(size->height);
        } else if (int failed = guardFile(first, [&] {
                Dib picture;
                try {
                    picture = loadPicture(first);
                } catch (const RuntimeError& e) {
                    return failureOf(first, e.description());
                }
                request.width = picture.width();
                request.height = picture.height();
                return 0;
            }))
            return failed;
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
    hooks.written = [](int index, const std::string& picture) { std::printf("frame %d: %s\n", index, picture.c_str()); };
    bj2a::RunResult r;
    if (int failed = guardFile(request.output, [&] {
            r = bj2a::WriteAviFromPictures(request, hooks);
            return 0;
        }))
        return failed;
    if (r.padded(request))
        std::printf("note: %dx%d padded to %dx%d: the %s encoder takes no odd width or height\n", request.width,
                    request.height, r.storedWidth, r.storedHeight, codec->name);
    switch (r.outcome) {
    case bj2a::Outcome::Written:
        std::printf("written: %s (%d frames, %dx%d, %s fps, %s)\n", request.output.c_str(), r.frames, request.width,
                    request.height, bj2a::FrameRateText(request.fps).c_str(), codec->name);
        return 0;
    case bj2a::Outcome::Cancelled:
        return fileFailure(request.output,
                           std::string("no ") + (codec ? codec->name : codecsOf(container).c_str()) + " encoder in this FFmpeg");
    case bj2a::Outcome::PictureFailed: return failureOf(r.picture, r.reason);
    default: return failureOf(request.output, r.reason);
    }
}

}  // namespace nalo::cli
