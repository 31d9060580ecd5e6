// Memory of nalo-convert avi2gif on a long clip: bounded, whatever the clip's length.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TestSupport.h"

using namespace nalo::test;

// 1000 frames of 640 x 480 take 0.34 MB each in 8 bits: 330 MB if all stayed in
// memory. Half the 300 MB allowed for 2000 frames is the bound here.
TEST(Avi2GifMemory, ThousandFramesOf640x480In150MB) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's own memory is not the program's";
#endif
    if (!haveTool("ffmpeg") || !std::filesystem::exists("/usr/bin/time")) GTEST_SKIP() << "ffmpeg or time missing";
    TempDir dir;
    const std::string avi = dir.file("in.avi");
    ASSERT_EQ(runCommand("ffmpeg -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 -t 40 -c:v mjpeg -q:v 3 '" +
                         avi + "'"),
              0);
    const std::string peak = dir.file("peak");
    ASSERT_EQ(runCommand("/usr/bin/time -f %M -o '" + peak + "' '" + appDir() + "/nalo-convert' avi2gif --optimize '" +
                         avi + "' '" + dir.file("out.gif") + "' >/dev/null"),
              0);
    long kilobytes = 0;
    std::ifstream(peak) >> kilobytes;
    EXPECT_GT(kilobytes, 0);
    EXPECT_LE(kilobytes, 150 * 1024);
}
