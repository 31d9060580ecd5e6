#include <filesystem>

#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

namespace {

// Removes the prepared square's file when the shrink is over, however it ends.
class StretchFile {
public:
    explicit StretchFile(const std::string& appFolder)
        : path_((std::filesystem::path(appFolder) / "stretch.bmp").string()) {}
    ~StretchFile() {
        std::error_code ec;
        if (used_) std::filesystem::remove(path_, ec);
    }
    StretchFile(const StretchFile&) = delete;
    StretchFile& operator=(const StretchFile&) = delete;

    // The square saved and loaded back; the square itself when the file cannot be written.
    Dib roundTrip(Dib square) {
        used_ = true;
        try {
            savePictureBmp(square, path_);
            return loadPicture(path_);
        } catch (const RuntimeError&) {
            return square;
        }
    }

private:
    std::string path_;
    bool used_ = false;
};

}  // namespace

ShrinkResults shrinkPictureFile(const std::string& sourcePath, int mode, const std::string& appFolder,
                                const YieldFn& perRow) {
    Dib picture = loadPicture(sourcePath);
    if (mode != PrepareSquareBands && mode != PrepareSquareStretch) return shrinkAllQualities(picture, perRow);
    StretchFile stretch(appFolder);
    return shrinkAllQualities(stretch.roundTrip(prepareSquare(picture, mode)), perRow);
}

}  // namespace nalo
