#include "platform/PictureIo.h"
#include "platform/TemporaryFile.h"
#include "shell/RuntimeError.h"
#include "tools/pic2ico/ThumbShrink.h"

namespace nalo {

namespace {

// The prepared square saved to a temporary "stretch.XXXXXX.bmp" in `appFolder` and
// loaded back; the square itself when no such file can be written.
Dib roundTrip(Dib square, const std::string& appFolder) {
    try {
        const TemporaryFile stretch(appFolder, "stretch", ".bmp");
        savePictureBmp(square, stretch.path());
        return loadPicture(stretch.path());
    } catch (const RuntimeError&) {
        return square;
    }
}

}  // namespace

ShrinkResults shrinkPictureFile(const std::string& sourcePath, int mode, const std::string& appFolder,
                                const YieldFn& perRow) {
    Dib picture = loadPicture(sourcePath);
    if (mode != PrepareSquareBands && mode != PrepareSquareStretch) return shrinkAllQualities(picture, perRow);
    return shrinkAllQualities(roundTrip(prepareSquare(picture, mode), appFolder), perRow);
}

}  // namespace nalo
