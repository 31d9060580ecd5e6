#pragma once
// The engine of the AVI-to-images tool: the frames From..To of a stream, every N-th,
// written as numbered BMP files, or PNG files on request (24-bit, as decoded or
// stretched to a given size),
// with the overwrite or skip rule. Shared by the window and by nalo-convert.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/a2bj/AviFrameSource.h"
#include "tools/a2bj/ExtractionInputs.h"
#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo {
class Dib;
class FDIBPointer;
}

namespace nalo::a2bj {

using tgapcx::FileResult;
using tgapcx::Outcome;

struct Plan {
    int32_t from = 0, to = 0, every = 1;  // inside the stream
    std::string folder, baseName;
    int overwriteMode = tgapcx::OverwriteReplace;
    bool resize = false;
    int32_t width = 0, height = 0;
    bool png = false;  // PNG frames instead of BMP
};

// The plan for checked inputs: From and To clamped to the stream's frames.
Plan planFor(const StreamFacts& stream, const Inputs& inputs, const std::string& folder, const std::string& baseName,
             int overwriteMode);

// (To - From) div N + 1: the number in the question.
int32_t frameCount(const Plan& plan);

// base + the frame number with at least four digits + ".bmp" ("name0003.bmp"), or
// ".png" for PNG frames.
std::string frameFileName(const std::string& baseName, int32_t frame, bool png = false);

struct ExtractResult {
    tgapcx::RunSummary files;       // written, skipped and not written
    std::vector<int32_t> undecoded;  // frames the decoder could not deliver
    bool stopped = false;
};

// Runs the plan. `afterEach` (if any) runs after every frame handled (not after an
// undecodable one) and returns false to stop the run. A file that cannot be written
// is reported and the run goes on; an existing file stays as it was until a complete
// new one replaces it.
ExtractResult extractFrames(AviFrameSource& avi, const Plan& plan,
                            const std::function<bool(const FileResult&)>& afterEach = {});

// "ﾌｧｲﾙを作成しました。(正常終了)" when every file was written or skipped, else the
// files not written.
std::string completionMessage(const ExtractResult& result);

// The loaded 24-bit frame as a picture (`picture` is reused when its size fits);
// false for any other depth.
bool frameToPicture(const FDIBPointer& frame, Dib& picture);

}  // namespace nalo::a2bj
