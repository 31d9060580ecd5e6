#pragma once
// The engine of the TGA/PCX converter: drawing a file into the work picture by its
// type, writing the work picture, and converting files one by one with the
// overwrite or skip rule. Shared by the window and by nalo-convert.
#include <functional>
#include <string>
#include <vector>

#include "platform/Dib.h"
#include "platform/FileIdentity.h"
#include "tools/tgapcx/ConversionKinds.h"

namespace nalo::tgapcx {

// Draws the file at `path`, read as `type`, into `work` (which takes the picture's
// size). Returns false, leaving `work` as it was, when the reader does not recognise
// the file (IsTGA / IsPCX False, or a depth it does not decode). Read errors raise.
bool drawPicture(const std::string& path, PictureType type, Dib& work);

// Writes `work` to `path` as `type` (TGA and PCX uncompressed, BMP 24-bit).
void writePicture(const Dib& work, const std::string& path, PictureType type);

// The output path of a source: its folder, its name up to the first ".", and the
// kind's output extension.
std::string outputPathFor(const std::string& sourcePath, const ConversionKind& kind);

// Size of the preview of a W x H picture fitted into box x box, aspect kept.
struct PreviewSize {
    int width, height;
};
PreviewSize previewSize(int width, int height, int box = 100);

enum class Outcome { Written, Skipped, Failed };

struct FileResult {
    std::string source, output;
    Outcome outcome = Outcome::Failed;
    bool outputIsNew = false;  // written where no file was (the output list gains it)
    std::string reason;        // why it failed
    std::string sameOutputAs;  // the earlier source of the run that already wrote `output`
};

// OverwriteMode: 0 replaces an existing output, 1 skips it.
inline constexpr int OverwriteReplace = 0;
inline constexpr int OverwriteSkip = 1;

// Converts one source file. Never raises: failures come back as Outcome::Failed with
// the reason, and leave no output behind (an existing output stays as it was).
FileResult convertFile(const std::string& sourcePath, const ConversionKind& kind, int overwriteMode);
// The same, to `outputPath` instead of the output beside the source.
FileResult convertFileTo(const std::string& sourcePath, const std::string& outputPath, const ConversionKind& kind,
                         int overwriteMode);

struct RunSummary {
    std::vector<FileResult> results;
    int written = 0, skipped = 0, failed = 0;
    bool allSucceeded() const { return failed == 0; }
    // Counts and keeps one file's result; returns the kept copy.
    const FileResult& add(FileResult r);
    // The source of this run that wrote `output` (the same file, however spelled), or null.
    const std::string* writerOf(const std::string& output) const { return writers_.find(output); }

private:
    FileIdentitySet writers_;  // outputs written -> their source
};

// Converts the sources in order with `convertOne(source)`. A source whose output
// (`outputOf(source)`) is one of the run's sources, or the file an earlier source of
// the run already wrote, is not converted: it fails, naming that file, and both stay.
// `afterEach` (if any) runs after every file, where the window lets pending events run.
template <class OutputOf, class ConvertOne>
RunSummary runBatch(const std::vector<std::string>& sourcePaths, OutputOf outputOf, ConvertOne convertOne,
                    const std::function<void(const FileResult&)>& afterEach) {
    RunSummary s;
    FileIdentitySet sources;
    for (const auto& path : sourcePaths) sources.add(path, path);
    for (const auto& path : sourcePaths) {
        FileResult r;
        std::string output = outputOf(path);
        if (const std::string* read = sources.find(output)) {
            r.source = path;
            r.reason = sourceAsOutputReason(output, *read);
            r.output = std::move(output);
        } else if (const std::string* earlier = s.writerOf(output)) {
            r.source = path;
            r.output = std::move(output);
            r.sameOutputAs = *earlier;
            r.reason = sameOutputReason(*earlier);
        } else {
            r = convertOne(path);
        }
        const FileResult& kept = s.add(std::move(r));
        if (afterEach) afterEach(kept);
    }
    return s;
}

// Converts the files in order; `afterEach` (if any) runs after every file, where the
// window lets pending events run and updates its lists.
RunSummary convertFiles(const std::vector<std::string>& sourcePaths, const ConversionKind& kind, int overwriteMode,
                        const std::function<void(const FileResult&)>& afterEach = {});

// The closing message: "正常終了！" when every file succeeded, else the list of the
// files not converted, each with its reason.
std::string summaryMessage(const RunSummary& summary);

}  // namespace nalo::tgapcx
