#include "tools/a2bj/FrameExtraction.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codecs/FDIBPointer.h"
#include "codecs/PngWriter.h"
#include "platform/Dib.h"
#include "platform/FileIdentity.h"
#include "platform/PictureIo.h"
#include "shell/FileHelpers.h"

namespace nalo::a2bj {

namespace {

constexpr size_t MaxNamesListed = 20;

}  // namespace

Plan planFor(const StreamFacts& stream, const Inputs& inputs, const std::string& folder, const std::string& baseName,
             int overwriteMode) {
    Plan p;
    p.from = std::clamp(inputs.from, stream.first, stream.last());
    p.to = std::clamp(inputs.to, stream.first, stream.last());
    p.every = std::max(inputs.every, 1);
    p.folder = folder;
    p.baseName = baseName;
    p.overwriteMode = overwriteMode;
    p.resize = inputs.resize;
    p.width = inputs.width;
    p.height = inputs.height;
    return p;
}

int32_t frameCount(const Plan& plan) {
    return plan.to < plan.from ? 0 : static_cast<int32_t>((int64_t(plan.to) - plan.from) / plan.every + 1);
}

std::string frameFileName(const std::string& baseName, int32_t frame, bool png) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", frame);
    return baseName + number + (png ? ".png" : ".bmp");
}

bool frameToPicture(const FDIBPointer& frame, Dib& picture) {
    const BITMAPINFOHEADER& h = frame.Header();
    if (!frame.Loaded() || h.biBitCount != 24 || h.biWidth <= 0 || h.biHeight <= 0) return false;
    if (picture.width() != h.biWidth || picture.height() != h.biHeight || picture.bitCount() != 24 ||
        picture.topDown())
        picture = Dib(h.biWidth, h.biHeight, 24);
    std::memcpy(picture.bits(), frame.Bits(), std::min<size_t>(picture.imageSize(), h.biSizeImage));
    return true;
}

ExtractResult extractFrames(AviFrameSource& avi, const Plan& plan,
                            const std::function<bool(const FileResult&)>& afterEach) {
    ExtractResult result;
    FDIBPointer frame;
    Dib picture, resized;
    const std::string folder = AddBackslash(plan.folder);
    FileIdentitySet source;
    source.add(avi.path(), avi.path());
    for (int64_t i = plan.from; i <= plan.to; i += plan.every) {
        const auto number = static_cast<int32_t>(i);
        const BITMAPINFOHEADER* packed = avi.frame(number);
        if (!packed || !frame.CreateFromPackedDIBPointer(packed)) {
            result.undecoded.push_back(number);
            continue;
        }
        FileResult r;
        r.output = folder + frameFileName(plan.baseName, number, plan.png);
        r.source = r.output;
        const bool exists = FileExists(r.output);
        if (exists && plan.overwriteMode == tgapcx::OverwriteSkip) {
            r.outcome = Outcome::Skipped;
        } else if (source.find(r.output)) {
            r.reason = SourceAsOutput;
        } else if (!plan.resize && !plan.png) {
            r.outcome = frame.WriteToFile(r.output) ? Outcome::Written : Outcome::Failed;
            if (r.outcome == Outcome::Failed) r.reason = "ﾌｧｲﾙを書き込めません";
        } else {
            try {
                if (!frameToPicture(frame, picture)) throw RuntimeError(err::InvalidPicture, "A2BJ", "unexpected frame depth");
                const Dib* out = &picture;
                if (plan.resize) {
                    if (resized.width() != plan.width || resized.height() != plan.height)
                        resized = Dib(plan.width, plan.height, 24);
                    stretchBlt(resized, 0, 0, plan.width, plan.height, picture, 0, 0, picture.width(), picture.height());
                    out = &resized;
                }
                if (plan.png) savePicturePng(*out, r.output);
                else savePictureBmp(*out, r.output);
                r.outcome = Outcome::Written;
            } catch (const RuntimeError& e) {
                r.reason = e.description();
            } catch (const std::bad_alloc&) {
                r.reason = "out of memory";
            }
        }
        r.outputIsNew = r.outcome == Outcome::Written && !exists;
        const FileResult& kept = result.files.add(std::move(r));
        if (afterEach && !afterEach(kept)) {
            result.stopped = i + plan.every <= plan.to;
            break;
        }
    }
    return result;
}

std::string completionMessage(const ExtractResult& result) {
    if (result.files.allSucceeded()) return "ﾌｧｲﾙを作成しました。(正常終了)";
    std::string text = "ﾌｧｲﾙを作成しました。\r\n作成できなかったﾌｧｲﾙ (" + std::to_string(result.files.failed) + "):";
    size_t listed = 0;
    for (const auto& r : result.files.results)
        if (r.outcome == Outcome::Failed && listed++ < MaxNamesListed) text += "\r\n" + FileNameOf(r.output);
    if (listed > MaxNamesListed) text += "\r\n...";
    return text;
}

}  // namespace nalo::a2bj
