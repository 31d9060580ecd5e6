#include "tools/bj2a/ImagesToAvi.h"

#include <new>

#include "codecs/cDIB.h"
#include "platform/Dib.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/bj2a/Bj2aRules.h"

namespace nalo::bj2a {

namespace {

// The canvas (picSave) the pictures are stretched over, kept for the whole run.
class FramePreparer {
public:
    FramePreparer(const RunRequest& request, const RunHooks& hooks)
        : request_(request), hooks_(hooks), canvas_(request.width, request.height, 24) {}

    // Loads the picture and stretches it over the canvas; false with the reason when
    // it cannot be loaded.
    bool stretch(const std::string& picture, std::string& reason) {
        if (hooks_.preparing) hooks_.preparing(picture);
        try {
            const Dib source = loadPicture(picture);
            stretchBlt(canvas_, 0, 0, canvas_.width(), canvas_.height(), source, 0, 0, source.width(), source.height());
            return true;
        } catch (const RuntimeError& e) {
            reason = e.description();
        } catch (const std::bad_alloc&) {
            reason = picture + ": out of memory";
        }
        return false;
    }

    // stretch(), then the frame format (BITMAPINFOHEADER and colour table): the
    // canvas saved as the temporary BMP and read back, or without a temporary the
    // header that file would hold.
    bool prepareFormat(const std::string& picture, std::vector<uint8_t>& format, std::string& reason) {
        if (!stretch(picture, reason)) return false;
        if (request_.tempFrame.empty()) {
            const auto header = bmpInfoHeader24(canvas_.width(), canvas_.height());
            format.assign(header.begin(), header.end());
            return true;
        }
        try {
            savePictureBmp(canvas_, request_.tempFrame);
        } catch (const RuntimeError& e) {
            reason = e.description();
            return false;
        }
        cDIB frame;
        if (frame.CreateFromFile(request_.tempFrame)) {
            format.assign(frame.PointerToBitmapInfo(), frame.PointerToBitmapInfo() + frame.SizeBitmapInfo());
            return true;
        }
        reason = frame.LastMessage().text.empty() ? request_.tempFrame + ": cannot be read back" : frame.LastMessage().text;
        return false;
    }

    // The canvas pixels: the same bytes as the temporary BMP's pixel block.
    const Dib& canvas() const { return canvas_; }

private:
    const RunRequest& request_;
    const RunHooks& hooks_;
    Dib canvas_;
};

// The handles of one run, released in the layer's order: plain stream, compressed
// stream, file. A file not committed leaves nothing on disk.
struct RunHandles {
    PAVIFILE file;
    PAVISTREAM plain, compressed;
    ~RunHandles() {
        AVIStreamRelease(plain);
        AVIStreamRelease(compressed);
        AVIFileRelease(file);
    }
};

}  // namespace

RunResult WriteAviFromPictures(const RunRequest& request, const RunHooks& hooks) {
    RunResult result;
    if (request.pictures.empty()) return result;
    // An output named like the pictures (a careless "*.bmp") is never replaced.
    if (const std::string* picture = sourceNamedBy(request.output, request.pictures)) {
        result.reason = sourceAsOutputReason(request.output, *picture);
        return result;
    }
    if (detectPictureKind(request.output) != PictureKind::Unknown) {
        result.reason = request.output + ": a picture, not written over";
        return result;
    }
    AviLibraryScope library;
    RunHandles h;
    auto failPicture = [&](const std::string& picture, std::string reason) {
        result.outcome = Outcome::PictureFailed;
        result.picture = picture;
        result.reason = std::move(reason);
        return result;
    };
    auto failWrite = [&](AviResult status) {
        result.outcome = Outcome::WriteFailed;
        result.status = status;
        result.reason = AVIFileWriteError(h.file);
        if (result.reason.empty()) result.reason = request.output + ": the video layer refused the frames";
        return result;
    };

    // Refused before any picture is decoded or the canvas is made.
    if (!FitsAviFrame(request.width, request.height)) {
        result.outcome = Outcome::WriteFailed;
        result.status = AVIERR_BADFORMAT;
        result.reason = request.output + ": " + std::to_string(request.width) + " x " + std::to_string(request.height) +
                        " is too large for an AVI frame";
        return result;
    }
    result.status = AVIFileOpen(h.file, request.output, OF_CREATE | OF_WRITE);
    if (result.status != AVIERR_OK) {
        result.reason = request.output + ": cannot be created";
        return result;
    }
    FramePreparer preparer(request, hooks);
    const Dib& canvas = preparer.canvas();
    std::vector<uint8_t> format;
    std::string reason;
    if (!preparer.prepareFormat(request.pictures.front(), format, reason))
        return failPicture(request.pictures.front(), reason);

    AVISTREAMINFOA info;
    info.fccType = mmioStringToFOURCCA("vids", 0);
    const FrameRate rate = LimitFrameRate(request.fps);
    info.dwScale = rate.scale;
    info.dwRate = rate.rate;
    info.dwSuggestedBufferSize = uint32_t(canvas.imageSize());
    info.rcFrame = {0, 0, canvas.width(), canvas.height()};
    if ((result.status = AVIFileCreateStreamA(h.file, h.plain, &info)) != AVIERR_OK) return failWrite(result.status);

    AVICOMPRESSOPTIONS options;
    AVICOMPRESSOPTIONS* optionList[1] = {&options};
    const bool confirmed =
        AVISaveOptions(hooks.choose, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, 1, &h.plain, optionList) == 1;
    AVISaveOptionsFree(1, optionList);
    if (!confirmed) {
        result.outcome = Outcome::Cancelled;
        return result;
    }
    if ((result.status = AVIMakeCompressedStream(h.compressed, h.plain, &options)) != AVIERR_OK ||
        (result.status = AVIStreamSetFormat(h.compressed, 0, format.data(), int32_t(format.size()))) !=
            AVIERR_OK)
        return failWrite(result.status);
    AVIStreamStoredSize(h.compressed, result.storedWidth, result.storedHeight);

    // The frames are taken from the canvas itself: writing each one to the temporary
    // BMP and reading it back would give the same bytes at twice the file traffic.
    for (size_t i = 0; i < request.pictures.size(); ++i) {
        const std::string& picture = request.pictures[i];
        if (!preparer.stretch(picture, reason)) return failPicture(picture, reason);
        result.status = AVIStreamWrite(h.compressed, int32_t(i), 1, canvas.bits(), int32_t(canvas.imageSize()), AVIIF_KEYFRAME);
        if (result.status != AVIERR_OK) return failWrite(result.status);
        ++result.frames;
        if (hooks.written) hooks.written(int(i), picture);
    }
    if ((result.status = AVIFileCommit(h.file)) != AVIERR_OK) return failWrite(result.status);
    result.outcome = Outcome::Written;
    return result;
}

}  // namespace nalo::bj2a
