#include "tools/b2j/B2jConverter.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

#include "codecs/BmpDecoder.h"
#include "platform/FileBytes.h"
#include "platform/PictureIo.h"
#include "platform/TemporaryFile.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"

namespace nalo::b2j {

namespace {

bool wholePositive(const std::string& text, int& out) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v <= 0) return false;
    out = v;
    return true;
}

// Why the component failed on a source that could be opened: the source is not a
// bitmap it reads (`bmpPath` "" for our own temporary bitmap), or else the JPEG could
// not be written.
std::string failureCause(const std::string& bmpPath, const std::string& jpgPath) {
    if (!bmpPath.empty()) {
        try {
            readBmpFile(bmpPath);
        } catch (const RuntimeError& e) {
            return e.description();
        }
    }
    return jpgPath + ": write failed";
}

// A source the component is given as it is: a BMP, or a file the loader does not take
// either (the component's refusal then names the cause, as before).
bool isBmpSource(const std::string& path) {
    switch (detectPictureKind(path)) {
    case PictureKind::Png:
    case PictureKind::Webp:
    case PictureKind::Tiff: return false;
    default: return true;
    }
}

}  // namespace

bool parseSize(const std::string& widthText, const std::string& heightText, int& width, int& height) {
    int w, h;
    if (!wholePositive(widthText, w) || !wholePositive(heightText, h)) return false;
    width = w;
    height = h;
    return true;
}

std::string outputPathFor(const std::string& sourcePath) {
    std::string base, ext;
    SplitName(FileNameOf(sourcePath), base, ext);
    const auto slash = sourcePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash + 1);
    return folder + base + ".jpg";
}


FileResult convertFile(const std::string& sourcePath, const Options& options, const JpegEncoder& encode) {
    return convertFileTo(sourcePath, outputPathFor(sourcePath), options, encode);
}

FileResult convertFileTo(const std::string& sourcePath, const std::string& outputPath, const Options& options,
                         const JpegEncoder& encode) {
    FileResult r;
    r.source = sourcePath;
    r.output = outputPath;
    const bool exists = FileExists(r.output);
    if (exists && options.overwriteMode == tgapcx::OverwriteSkip) {
        r.outcome = Outcome::Skipped;
        return r;
    }
    // An existing JPEG is replaced only by a finished one: the component writes a new
    // file and renames it over the old, so a failed conversion keeps the old file.
    // The component answers only yes or no: what can be told beforehand (a source that
    // is missing or not a regular file, a read-only target) is found here first.
    try {
        refuseReadOnlyTarget(r.output, "B2J");
        bool ok;
        // The component reads only BMP: other pictures go to it as a bitmap the loader made.
        const bool viaLoader = options.sizeMode == 1 || !isBmpSource(sourcePath);
        if (viaLoader) {
            Dib picture = loadPicture(sourcePath);
            if (options.sizeMode == 1) {
                Dib resized(options.width, options.height, 24);
                stretchBlt(resized, 0, 0, options.width, options.height, picture, 0, 0, picture.width(),
                           picture.height());
                picture = std::move(resized);
            }
            const TemporaryFile temp(workFolder(), "Dumy2", ".bmp");
            savePictureBmp(picture, temp.path());
            ok = encode(temp.path(), r.output, options.quality);
        } else {
            requireRegularFile(sourcePath, "B2J");
            ok = encode(sourcePath, r.output, options.quality);
        }
        if (!ok) {
            const std::string cause = failureCause(viaLoader ? "" : sourcePath, r.output);
            r.reason = "JPEGに変換できませんでした（" + cause + "）";
            return r;
        }
    } catch (const RuntimeError& e) {
        r.reason = e.description();
        return r;
    }
    r.outcome = Outcome::Written;
    r.outputIsNew = !exists;
    return r;
}

RunSummary convertFiles(const std::vector<std::string>& sourcePaths, const Options& options,
                        const JpegEncoder& encode, const std::function<void(const FileResult&)>& afterEach) {
    return tgapcx::runBatch(
        sourcePaths, [](const std::string& p) { return outputPathFor(p); },
        [&](const std::string& p) { return convertFile(p, options, encode); }, afterEach);
}

}  // namespace nalo::b2j
