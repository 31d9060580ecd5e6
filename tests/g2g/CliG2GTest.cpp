#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codecs/GifBlockWalk.h"

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

    for (const char* usage : {"", "--to jpg a.gif", "--transparent a.gif", "--bogus a.gif"})
        EXPECT_EQ(runCommand(nc + usage + " 2>/dev/null"), 2) << usage;
}

// A file cut short: the whole frames before the cut are written, the cut frame is
// not, and the failure names the file and the last whole frame.
TEST(CliG2G, AFileCutShortKeepsTheWholeFramesAndFails) {
    TestGif g{6, 5, testPalette(4)};
    for (int i = 0; i < 3; ++i) {
        g.frames.push_back(patternFrame(0, 0, 6, 5, 4, i));
        g.frames.back().delay = 5;  // each frame with its graphic control
    }
    TempDir dir;
    writeTestGif(dir.file("whole.gif"), g);
    const auto whole = readFile(dir.file("whole.gif"));
    nalo::GifScreenInfo screen;
    std::vector<nalo::GifFrameInfo> frames;
    ASSERT_TRUE(nalo::WalkGifBlocks(whole, screen, frames));
    ASSERT_EQ(frames.size(), 3u);
    const struct {
        size_t length;  // bytes kept
        int wholeFrames;
    } cuts[] = {
        {frames[1].end - 2, 1},    // inside the second frame's data
        {frames[2].start + 4, 2},  // inside the third frame's graphic control
    };
    for (const auto& c : cuts) {
        TempDir cut;
        writeFile(cut.file("anim.gif"), {whole.begin(), whole.begin() + static_cast<long>(c.length)});
        std::string out;
        EXPECT_EQ(runCommand(appDir() + "/nalo-convert g2g '" + cut.file("anim.gif") + "'", &out), 1);
        EXPECT_NE(out.find("failed: " + cut.file("anim.gif") + ": the file ends early, after frame " +
                           std::to_string(c.wholeFrames) + "\n"),
                  std::string::npos)
            << out;
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(cut.path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected{"anim.gif"};
        for (int i = 1; i <= c.wholeFrames; ++i) expected.push_back("anim_00" + std::to_string(i) + ".bmp");
        EXPECT_EQ(names, expected) << c.length;
    }
}
