#include <filesystem>

#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

ShrinkResults shrinkPictureFile(const std::string& sourcePath, int mode, const std::string& appFolder,
                                const YieldFn& perRow) {
    Dib picture = loadPicture(sourcePath);
    if (mode == PrepareSquareBands || mode == PrepareSquareStretch) {
        Dib square = prepareSquare(picture, mode);
        const std::string stretchFile = (std::filesystem::path(appFolder) / "stretch.bmp").string();
        try {
            savePictureBmp(square, stretchFile);
            picture = loadPicture(stretchFile);
        } catch (const RuntimeError&) {
            picture = std::move(square);
        }
        std::error_code ec;
        std::filesystem::remove(stretchFile, ec);
    }
    return shrinkAllQualities(picture, perRow);
}

}  // namespace nalo
