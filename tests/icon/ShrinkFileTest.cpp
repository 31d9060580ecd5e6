#include <gtest/gtest.h>

#include <filesystem>

#include "icon/IconTestPictures.h"
#include "platform/PictureIo.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"
#include "tools/pic2ico/IconCapture.h"
#include "tools/pic2ico/ThumbShrink.h"

using namespace nalo;
using namespace nalo::test;

namespace {

bool sameDib(const Dib& a, const Dib& b) {
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

}  // namespace

TEST(ShrinkFile, StretchFileIsNeverLeftBehind) {
    TempDir dir;
    const std::string source = dir.file("quad.bmp");
    savePictureBmp(quadrantPicture(), source);
    // A run's own "stretch.XXXXXX.bmp", so that runs at once never share it.
    auto stretchFiles = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            n += e.path().filename().string().rfind("stretch.", 0) == 0 && e.path().extension() == ".bmp";
        return n;
    };
    for (int mode : {PrepareAsIs, PrepareSquareBands, PrepareSquareStretch}) {
        SCOPED_TRACE(mode);
        const ShrinkResults r = shrinkPictureFile(source, mode, dir.path().string());
        EXPECT_EQ(stretchFiles(), 0);
        EXPECT_EQ(r.chosen, 3);
        EXPECT_TRUE(sameDib(r.pictures[3], captureIcon(quadrantPicture(), IconCapture{IconCapture::Shrink, 3, mode, {}})));
    }
}

TEST(ShrinkFile, UnwritableAppFolderStillShrinksThePreparedSquare) {
    TempDir dir;
    const std::string source = dir.file("quad.bmp");
    savePictureBmp(quadrantPicture(), source);
    const ShrinkResults r = shrinkPictureFile(source, PrepareSquareBands, dir.file("missing-folder"));
    EXPECT_TRUE(sameDib(r.pictures[3], captureIcon(quadrantPicture(), IconCapture{IconCapture::Shrink, 3, 1, {}})));
    EXPECT_EQ(r.pictures[3].pixel(16, 1), rgb(0, 0, 0));  // the black band, not the plain picture's margin

    try {
        shrinkPictureFile(dir.file("none.bmp"), 0, dir.path().string());
        FAIL() << "no error";
    } catch (const RuntimeError& e) {
        EXPECT_NE(e.description().find("none.bmp"), std::string::npos) << e.description();
    }
}
