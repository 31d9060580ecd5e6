#include <gtest/gtest.h>

#include <filesystem>

#include "g2g/TestGifs.h"
#include "gif/GifTestSupport.h"
#include "support/TestSupport.h"

using namespace nalo::test;

TEST(CliG2G, SplitsBesideTheSourceAndReportsEachFile) {
    TempDir dir;
    TestGif g{6, 5, testPalette(4)};
    for (int i = 0; i < 3; ++i) g.frames.push_back(patternFrame(0, 0, 6, 5, 4, i));
    writeTestGif(dir.file("anim.x.gif"), g);
    writeText(dir.file("text.gif"), "not a picture");
    const std::string nc = appDir() + "/nalo-convert g2g ";
    std::string out;
    EXPECT_EQ(runCommand("cd '" + dir.path().string() + "' && " + nc + "anim.x.gif", &out), 0);
    EXPECT_EQ(out, "written: anim_001.bmp\nwritten: anim_002.bmp\nwritten: anim_003.bmp\n");

    EXPECT_EQ(runCommand(nc + "--to gif --transparent '" + dir.file("text.gif") + "' '" + dir.file("anim.x.gif") +
                             "' 2>&1",
                         &out),
              1);
    EXPECT_NE(out.find("failed: " + dir.file("text.gif") + ": not an animated GIF"), std::string::npos);
    EXPECT_NE(out.find("written: " + dir.file("anim_003.gif")), std::string::npos);
    EXPECT_EQ(decodeGiflib(dir.file("anim_002.gif")).screenWidth, 6);

    for (const char* usage : {"", "--to png a.gif", "--transparent a.gif", "--bogus a.gif"})
        EXPECT_EQ(runCommand(nc + usage + " 2>/dev/null"), 2) << usage;
}
