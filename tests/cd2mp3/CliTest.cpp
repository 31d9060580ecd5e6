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

// Hostile disc images: each is refused with a message naming it (listed and converted),
// the folder's sound image is still listed, and its pregaps rip bit-exact.
TEST_F(CliCd2Mp3, MalformedImagesAreNamedAndTheOthersStillListed) {
    const DiscImage d = makeDiscImage(images, "good", {30, 20});
    // Track 2 has an INDEX 00 in the data and two generated frames of PREGAP before it.
    writeText(d.cue, "FILE \"good.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n"
                     "  PREGAP 00:00:02\n  INDEX 00 00:00:25\n  INDEX 01 00:00:30\n");
    TempDir outside;
    writeFile(outside.file("secret.bin"), std::vector<uint8_t>(2352 * 4, 1));
    fs::create_symlink(outside.file("secret.bin"), images.file("link.bin"));
    auto nrg = [&](const char* id) {  // a chunk claiming 0x80000030 bytes, 76 bytes in all
        return id + std::string("\x80\0\0\x30", 4) + std::string(56, '\0') + "NER5" + std::string(8, '\0');
    };
    const std::string bin = "FILE \"good.bin\" BINARY\n";
    const std::string up = fs::relative(outside.file("secret.bin"), images.path()).string();
    const struct {
        const char *name, *reason;
        std::string text;
    } bad[] = {
        {"cuex.nrg", "chunk CUEX of 2147483696 bytes runs past the end of the file", nrg("CUEX")},
        {"daox.nrg", "chunk DAOX of 2147483696 bytes runs past the end of the file", nrg("DAOX")},
        {"order.cue", "track 99 has no INDEX 01", bin + "TRACK 99 AUDIO\nTRACK 03 AUDIO\n"},
        {"times.cue", "line 5: an index before the one above it",
         bin + "TRACK 01 AUDIO\nINDEX 01 00:00:10\nTRACK 02 AUDIO\nINDEX 01 00:00:05\n"},
        {"absolute.toc", "data file '/etc/passwd' is an absolute path", "CD_DA\nTRACK AUDIO\nFILE \"/etc/passwd\" 0\n"},
        {"up.cue", "lies outside the image's folder", "FILE \"" + up + "\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
        {"link.cue", "data file 'link.bin' lies outside", "FILE \"link.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"},
    };
    for (const auto& b : bad) {
        writeText(images.file(b.name), b.text);
        const std::string named = "failed: " + images.file(b.name) + ": ";
        for (const std::string args : {"--list --image ", "--out /tmp --image "}) {
            std::string text;
            EXPECT_EQ(run(args + "'" + images.file(b.name) + "'", &text), 1) << b.name;
            EXPECT_NE(text.find(named), std::string::npos) << text;
            EXPECT_NE(text.find(b.reason, text.find(named)), std::string::npos) << text;
        }
    }
    setenv("NALO_CD_IMAGES", images.path().c_str(), 1);
    std::string text;
    EXPECT_EQ(run("--list", &text), 1);
    EXPECT_NE(text.find("good.cue\n  Track 01  0:00.32  32 frames\n  Track 02  0:00.20  20 frames\n"), std::string::npos)
        << text;
    for (const auto& b : bad) EXPECT_NE(text.find(b.name + std::string("\n  (malformed disc image)\n")), std::string::npos) << text;

    text.clear();
    ASSERT_EQ(run("--drive good.cue --to wav --out '" + out.path().string() + "'", &text), 0) << text;
    std::vector<uint8_t> track1(d.audio(1), d.audio(2));
    track1.resize(track1.size() + 2 * 2352, 0);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08lX", ::crc32(0, track1.data(), uInt(track1.size())));
    EXPECT_NE(text.find("Track 01.wav  CRC32 " + std::string(crc)), std::string::npos) << text;
    EXPECT_NE(text.find("Track 02.wav  CRC32 " + crcText(d, 2)), std::string::npos) << text;
    unsetenv("NALO_CD_IMAGES");
}
