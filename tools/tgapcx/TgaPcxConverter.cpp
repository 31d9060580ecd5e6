#include "tools/tgapcx/TgaPcxConverter.h"

#include <algorithm>
#include <sys/stat.h>

#include "codecs/LoadPCX.h"
#include "codecs/LoadTGA.h"
#include "codecs/SavePCX.h"
#include "codecs/SaveTGA.h"
#include "platform/PictureIo.h"
#include "shell/Rounding.h"
#include "shell/RuntimeError.h"
#include "tools/tgapcx/RowStreamConversion.h"

namespace nalo::tgapcx {

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// The text of `name` before its first ".", or all of it.
std::string baseOf(const std::string& name) { return name.substr(0, name.find('.')); }

std::string fileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool drawPicture(const std::string& path, PictureType type, Dib& work) {
    switch (type) {
    case PictureType::Tga: {
        Nalo_B1 module;
        LoadTGA reader(module);
        reader.setAutoscale(true);
        reader.Load(path);
        if (!reader.IsTGA() || !module.CurrentBitmap()) return false;
        reader.DrawTGA(work);
        return true;
    }
    case PictureType::Pcx: {
        Nalo_B1 module;
        LoadPCX reader(module);
        reader.setAutoscale(true);
        reader.Load(path);
        if (!reader.IsPCX() || !module.CurrentBitmap()) return false;
        reader.setScaleMode(1);
        reader.DrawPCX(work);
        return true;
    }
    case PictureType::Bmp:
    case PictureType::Gif:
    case PictureType::Jpg:
    case PictureType::Png:
    case PictureType::Webp:
    case PictureType::Tif: work = loadPicture(path); return true;
    }
    return false;
}

void writePicture(const Dib& work, const std::string& path, PictureType type) {
    switch (type) {
    case PictureType::Tga: SaveTGA().SaveTGAinFile(path, work, false); break;
    case PictureType::Pcx: SavePCX().SavePCXinFile(path, work, false); break;
    default: savePictureBmp(work, path); break;
    }
}

std::string outputPathFor(const std::string& sourcePath, const ConversionKind& kind) {
    size_t slash = sourcePath.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash + 1);
    return folder + baseOf(fileNameOf(sourcePath)) + kind.outputExtension;
}

PreviewSize previewSize(int width, int height, int box) {
    if (width <= 0 || height <= 0) return {0, 0};
    auto scaled = [box](int a, int b) { return std::max(1, static_cast<int>(roundHalfEven(double(a) * box / b))); };
    if (width > height) return {box, scaled(height, width)};
    return {scaled(width, height), box};
}

FileResult convertFile(const std::string& sourcePath, const ConversionKind& kind, int overwriteMode) {
    return convertFileTo(sourcePath, outputPathFor(sourcePath, kind), kind, overwriteMode);
}

FileResult convertFileTo(const std::string& sourcePath, const std::string& outputPath, const ConversionKind& kind,
                         int overwriteMode) {
    FileResult r;
    r.source = sourcePath;
    r.output = outputPath;
    const bool exists = fileExists(r.output);
    if (exists && overwriteMode == OverwriteSkip) {
        r.outcome = Outcome::Skipped;
        return r;
    }
    try {
        // 24-bit rows go straight from file to file; everything else through the picture.
        if (convertByRows(sourcePath, kind.source, r.output, kind.output)) {
            r.outcome = Outcome::Written;
            r.outputIsNew = !exists;
            return r;
        }
        Dib work;
        if (!drawPicture(sourcePath, kind.source, work)) {
            r.reason = "not a picture its reader recognises";
            return r;
        }
        writePicture(work, r.output, kind.output);
        r.outcome = Outcome::Written;
        r.outputIsNew = !exists;
    } catch (const RuntimeError& e) {
        r.reason = e.description();
    } catch (const std::bad_alloc&) {
        r.reason = "out of memory";
    } catch (const std::exception& e) {
        r.reason = e.what();
    }
    return r;
}

const FileResult& RunSummary::add(FileResult r) {
    switch (r.outcome) {
    case Outcome::Written:
        ++written;
        writers_.add(r.output, r.source);
        break;
    case Outcome::Skipped: ++skipped; break;
    case Outcome::Failed: ++failed; break;
    }
    results.push_back(std::move(r));
    return results.back();
}

RunSummary convertFiles(const std::vector<std::string>& sourcePaths, const ConversionKind& kind, int overwriteMode,
                        const std::function<void(const FileResult&)>& afterEach) {
    return runBatch(
        sourcePaths, [&kind](const std::string& p) { return outputPathFor(p, kind); },
        [&](const std::string& p) { return convertFile(p, kind, overwriteMode); }, afterEach);
}

std::string summaryMessage(const RunSummary& summary) {
    if (summary.allSucceeded()) return "正常終了！";
    std::string text = "変換できなかったﾌｧｲﾙがあります：";
    for (const auto& r : summary.results) {
        if (r.outcome != Outcome::Failed) continue;
        text += "\n" + fileNameOf(r.source);
        if (!r.sameOutputAs.empty())
            text += "（" + fileNameOf(r.sameOutputAs) + " と同じ " + fileNameOf(r.output) + " になるため変換しません）";
        else if (!r.reason.empty())
            text += "：" + r.reason;
    }
    return text;
}

}  // namespace nalo::tgapcx
