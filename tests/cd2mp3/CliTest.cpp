#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <zlib.h>

#include "support/DiscImage.h"

using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct CliCd2Mp3 : ::testing::Test {
    ComponentFolder components;
    TempDir images, out;
    int run(const std::string& args, std::string* output = nullptr) {
        return runCommand("'" + appDir() + "/nalo-convert' cd2mp3 " + args, output);
    }
    std::string crcText(const DiscImage& d, int track) {
        char text[16];
        std::snprintf(text, sizeof text, "%08lX",
                      ::crc32(0, d.audio(track), uInt(d.lengths[size_t(track - 1)]) * 2352));
        return text;
    }
};

}  // namespace

TEST_F(CliCd2Mp3, ListsConvertsWithTagsAndChecksums) {
    if (!haveTool("ffprobe")) GTEST_SKIP() << "ffprobe missing";
    const DiscImage d = makeDiscImage(images, "disc", {160, 75, 30}, {{"Opening", "The Band"}});
    std::string text;
    ASSERT_EQ(run("--list --image '" + d.cue + "'", &text), 0) << text;
    EXPECT_NE(text.find("0: disc.cue\n  Track 01  0:02.10  160 frames\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Track 03  0:00.30  30 frames\n"), std::string::npos) << text;

    const std::string o = " --out '" + out.path().string() + "'";
    text.clear();
    ASSERT_EQ(run("--image '" + d.cue + "' --tracks 1,3 --bitrate 96 --quality high" + o, &text), 0) << text;
    EXPECT_NE(text.find("Track 01.mp3  CRC32 " + crcText(d, 1)), std::string::npos) << text;
    EXPECT_NE(text.find("Track 03.mp3  CRC32 " + crcText(d, 3)), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(out.file("Track 02.mp3")));
    std::string tags;
    runCommand("ffprobe -v error -show_entries format_tags=track,title,artist:format=bit_rate -of compact=p=0 '" +
                   out.file("Track 01.mp3") + "'",
               &tags);
    EXPECT_NE(tags.find("tag:track=1/3|tag:title=Opening|tag:artist=The Band"), std::string::npos) << tags;
    tags.clear();
    runCommand("ffprobe -v error -show_entries format_tags=title -of csv=p=0 '" + out.file("Track 03.mp3") + "'",
               &tags);
    EXPECT_EQ(tags, "Track 03\n");

    // WAV with --skip: the existing file stays, the other is written with the same CRC.
    writeText(out.file("Track 01.wav"), "keep");
    text.clear();
    ASSERT_EQ(run("--drive 0 --to wav --tracks 1-2 --skip" + o, &text), 2) << "no image listed without --image";
    setenv("NALO_CD_IMAGES", images.path().c_str(), 1);
    ASSERT_EQ(run("--drive disc.cue --to wav --tracks 1-2 --skip" + o, &text), 0) << text;
    EXPECT_NE(text.find("skipped: " + out.file("Track 01.wav") + " (exists)"), std::string::npos) << text;
    EXPECT_NE(text.find("Track 02.wav  CRC32 " + crcText(d, 2)), std::string::npos) << text;
    EXPECT_EQ(fs::file_size(out.file("Track 02.wav")), 44u + 75 * 2352);

    for (const char* bad : {"--tracks 4", "--tracks 2-1", "--bitrate 100", "--quality best", "--to ogg", "--drive 5"})
        EXPECT_EQ(run(std::string(bad) + o), 2) << bad;
    // An image whose data ends before its second track: malformed, named, exit 1.
    fs::resize_file(d.bin, 100 * 2352);
    text.clear();
    EXPECT_EQ(run("--drive 0" + o, &text), 1);
    EXPECT_NE(text.find("failed: " + d.cue + ": track 2 lies beyond the end of its data file"), std::string::npos)
        << text;
    unsetenv("NALO_CD_IMAGES");
}
