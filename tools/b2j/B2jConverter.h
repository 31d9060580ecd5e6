#pragma once
// The engine of the BMP-to-JPG tool: one bitmap (or a PNG, WebP or TIFF picture, made
// a bitmap by the picture loader) to one JPEG through the JPEG
// component, at the bitmap's size or stretched to a given size, with the overwrite
// or skip rule. Shared by the window and by nalo-convert.
#include <functional>
#include <string>
#include <vector>

#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo::b2j {

using tgapcx::FileResult;
using tgapcx::Outcome;
using tgapcx::RunSummary;

// The component call: BMP path, JPEG path, quality 40..100; true when the JPEG was written.
using JpegEncoder = std::function<bool(const std::string& bmpPath, const std::string& jpgPath, int quality)>;

struct Options {
    int quality = 100;    // 40..100
    int sizeMode = 0;     // 0 the bitmap's own size, 1 width x height
    int width = 0, height = 0;
    int overwriteMode = 0;  // 0 replace, 1 skip
};

// "Error 画像ｻｲｽﾞの指定" unless both texts are whole numbers above 0.
bool parseSize(const std::string& widthText, const std::string& heightText, int& width, int& height);

// The output path: the source's folder, its name up to the first ".", ".jpg".
std::string outputPathFor(const std::string& sourcePath);


// Converts one bitmap. Never raises; a failure leaves any existing JPEG as it was and
// no temporary bitmap behind.
FileResult convertFile(const std::string& sourcePath, const Options& options, const JpegEncoder& encode);
// The same, to `outputPath` instead of the JPEG beside the bitmap.
FileResult convertFileTo(const std::string& sourcePath, const std::string& outputPath, const Options& options,
                         const JpegEncoder& encode);

RunSummary convertFiles(const std::vector<std::string>& sourcePaths, const Options& options,
                        const JpegEncoder& encode, const std::function<void(const FileResult&)>& afterEach = {});

}  // namespace nalo::b2j
