#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ComponentLibrary.h"
#include "shell/CheckComponents.h"
#include "shell/SystemDir.h"
#include "support/TestSupport.h"

using namespace nalo;
using nalo::test::TempDir;

namespace {

// Components come out of the built pack into a fresh folder, as at start-up.
class Components : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("NALO_APP_DIR", test::appDir().c_str(), 1);
        ::setenv("NALO_SYSTEM_DIR", sys.path().c_str(), 1);
        SystemDir.clear();
        ASSERT_TRUE(CheckComponents().ok);
    }
    TempDir sys, work;
};

void put32(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }

TEST_F(Components, JpegRoundTripsOf24And8BitBitmaps) {
    ASSERT_TRUE(test::haveTool("convert"));
    JpegComponent jpeg;
    for (const char* kind : {"truecolor BMP3", "palette BMP3"}) {
        std::string type = kind, fmt = type.substr(type.find(' ') + 1);
        type = type.substr(0, type.find(' '));
        const std::string bmp = work.file("in.bmp"), jpg = work.file("out.jpg");
        ASSERT_EQ(test::runCommand("convert -size 96x64 gradient:red-blue -colors 200 -type " + type + " " + fmt +
                                   ":" + bmp),
                  0);
        ASSERT_NE(jpeg.ConvertBMPtoJPG(bmp, jpg, -1, 90, -1), 0) << kind;
        std::string out;
        test::runCommand("identify -format '%m %wx%h' " + jpg, &out);
        EXPECT_EQ(out, "JPEG 96x64") << kind;
        out.clear();
        test::runCommand("compare -metric PSNR " + bmp + " " + jpg + " null:", &out);
        EXPECT_GT(std::atof(out.c_str()), 35.0) << kind << " " << out;
    }
}

TEST_F(Components, JpegRefusesBadInputAndLeavesNoFile) {
    JpegComponent jpeg;
    test::writeText(work.file("text.bmp"), "not a bitmap");
    EXPECT_EQ(jpeg.ConvertBMPtoJPG(work.file("text.bmp"), work.file("a.jpg"), -1, 80, -1), 0);
    ASSERT_EQ(test::runCommand("convert -size 40x30 xc:red -type truecolor BMP3:" + work.file("ok.bmp")), 0);
    auto bytes = test::readFile(work.file("ok.bmp"));
    bytes.resize(bytes.size() / 2);
    test::writeFile(work.file("cut.bmp"), bytes);
    EXPECT_EQ(jpeg.ConvertBMPtoJPG(work.file("cut.bmp"), work.file("b.jpg"), -1, 80, -1), 0);
    EXPECT_EQ(jpeg.ConvertBMPtoJPG(work.file("none.bmp"), work.file("c.jpg"), -1, 80, -1), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 3);  // only the inputs
}

// A source cut short while it is being converted fails the call; the process lives on.
TEST_F(Components, JpegOfASourceCutShortMeanwhileFailsCleanly) {
    JpegComponent jpeg;
    const int32_t w = 12000, h = 9000;
    const off_t stride = ((off_t(w) * 24 + 31) / 32) * 4;
    const std::string bmp = work.file("big.bmp"), jpg = work.file("big.jpg");
    int failures = 0;
    for (int delayMs : {5, 20, 60, 150}) {
        uint8_t head[54] = {'B', 'M'};
        put32(head + 10, 54);
        put32(head + 14, 40);
        put32(head + 18, w);
        put32(head + 22, h);
        head[26] = 1;
        head[28] = 24;
        test::writeFile(bmp, std::vector<uint8_t>(head, head + 54));
        ASSERT_EQ(::truncate(bmp.c_str(), 54 + stride * h), 0);
        const pid_t child = ::fork();
        if (child == 0) ::_exit(jpeg.ConvertBMPtoJPG(bmp, jpg, -1, 80, -1) != 0 ? 1 : 0);
        ::usleep(static_cast<useconds_t>(delayMs) * 1000);
        ASSERT_EQ(::truncate(bmp.c_str(), 54 + stride * h / 4), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status) << " after " << delayMs << " ms";
        if (WEXITSTATUS(status) == 0) ++failures;
        std::filesystem::remove(jpg);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(work.path()), {}), 1) << delayMs;
    }
    EXPECT_GT(failures, 0) << "no conversion was still running when its source was cut";
}

std::vector<uint8_t> lameConfig(int kbps, int preset) {
    std::vector<uint8_t> c(331, 0);
    for (auto [off, v] : {std::pair{0, 256}, {4, 1}, {8, 331}, {12, 44100}, {20, 1}, {24, kbps}, {32, preset},
                          {36, 1}, {48, 1}, {52, 1}, {56, 1}, {60, 1}, {80, -1}})
        put32(&c[off], v);
    return c;
}

TEST_F(Components, Mp3OfAToneHasTheRightDurationAndPitch) {
    ASSERT_TRUE(test::haveTool("ffmpeg"));
    Mp3Encoder enc;
    constexpr int Frames = 75 * 3;  // 3 seconds of CD audio
    std::vector<int16_t> pcm(Frames * 1176);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(10000 * std::sin(2 * M_PI * 1000.0 * double(i / 2) / 44100));
    for (auto [kbps, preset] : {std::pair{128, 0}, {64, 1}, {320, 2}, {192, 0}}) {
        auto cfg = lameConfig(kbps, preset);
        uint32_t samples = 0, size = 0, stream = 0;
        ASSERT_EQ(enc.beInitStream(cfg.data(), samples, size, stream), 0u);
        std::vector<uint8_t> out(size), mp3;
        uint32_t n = 0;
        for (int f = 0; f < Frames; ++f) {
            enc.beEncodeChunk(stream, 1176, &pcm[f * 1176], out.data(), n);
            mp3.insert(mp3.end(), out.begin(), out.begin() + n);
        }
        ASSERT_EQ(enc.beDeinitStream(stream, out.data(), n), 0u);
        mp3.insert(mp3.end(), out.begin(), out.begin() + n);
        EXPECT_EQ(enc.beCloseStream(stream), 0u);
        EXPECT_EQ(enc.beCloseStream(stream), 4u);  // a closed handle is invalid
        test::writeFile(work.file("t.mp3"), mp3);
        std::string rate;
        test::runCommand("ffprobe -v error -show_entries stream=sample_rate -of csv=p=0 " + work.file("t.mp3"), &rate);
        EXPECT_EQ(rate.substr(0, 5), "44100") << "MPEG-1 at the input rate, " << kbps << " kbit/s";
        ASSERT_EQ(test::runCommand("ffmpeg -v error -y -i " + work.file("t.mp3") + " -ac 1 -ar 44100 -f s16le " +
                                   work.file("t.raw")),
                  0);
        auto raw = test::readFile(work.file("t.raw"));
        const size_t count = raw.size() / 2;
        EXPECT_NEAR(double(count) / 44100, 3.0, 0.06) << kbps;
        // Pitch by zero crossings over the middle second.
        const auto* s = reinterpret_cast<const int16_t*>(raw.data());
        int crossings = 0;
        for (size_t i = 44100; i < 88200 && i + 1 < count; ++i) crossings += (s[i] < 0) != (s[i + 1] < 0);
        EXPECT_NEAR(crossings / 2.0, 1000.0, 5.0) << kbps;
    }
    uint32_t samples, size, stream, n;
    auto bad = lameConfig(100, 0);  // not an MPEG-1 bit rate
    EXPECT_EQ(enc.beInitStream(bad.data(), samples, size, stream), 2u);
    uint8_t out[16];
    EXPECT_EQ(enc.beEncodeChunk(12345, 1176, pcm.data(), out, n), 4u);
}

TEST_F(Components, DiscImageListsItsTracksAndReadsBackBitExact) {
    const int lens[] = {100, 57, 30};
    const int total = 187;
    std::vector<uint8_t> disc(total * 2352);
    std::mt19937 rng(5);
    for (auto& b : disc) b = static_cast<uint8_t>(rng());
    TempDir images;
    test::writeFile(images.file("disc.bin"), disc);
    std::string cue = "FILE \"disc.bin\" BINARY\n";
    int pos = 0;
    char line[96];
    for (int t = 0; t < 3; ++t) {
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", t + 1, pos / 4500,
                      pos / 75 % 60, pos % 75);
        cue += line;
        pos += lens[t];
    }
    test::writeText(images.file("disc.cue"), cue);
    ::setenv("NALO_CD_IMAGES", images.path().c_str(), 1);

    CdReader cd;
    ASSERT_EQ(cd.GetNumAdapters(), 1u);  // no drives on the test machine
    std::vector<uint8_t> list(970, 0);
    ASSERT_EQ(cd.GetCDList(list.data()), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&list[2 + 4]), "disc.cue");
    uint8_t req[16] = {12, 1, list[2], list[3], list[4]};
    const uint8_t h = cd.GetCDHandle(req);
    ASSERT_NE(h, 0);
    EXPECT_EQ(cd.GetCDHandle(req), 0);
    EXPECT_EQ(cd.GetAspiLibError(), -12);
    cd.ModifyCDParms(h, 36, 0);
    std::vector<uint8_t> toc(808, 0);
    ASSERT_EQ(cd.ReadTOC(h, toc.data()), 1u);
    const uint32_t want[] = {0, 100, 157, 187};
    for (int i = 0; i < 4; ++i) {
        const uint8_t* e = &toc[4 + 8 * i];
        EXPECT_EQ(uint32_t(e[4]) << 24 | e[5] << 16 | e[6] << 8 | e[7], want[i]) << i;
    }
    std::vector<uint8_t> buf(61176);
    auto read = [&](int32_t lba, int32_t n) {
        int32_t header[6] = {lba, n, 61152, 0, 0, 0};
        std::memcpy(buf.data(), header, 24);
        return cd.ReadCDAudioLBA(h, buf.data());
    };
    for (auto [lba, n] : {std::pair{90, 26}, {150, 26}, {176, 11}, {0, 1}}) {  // straddling, final short block
        ASSERT_EQ(read(lba, n), 1u) << lba;
        EXPECT_EQ(std::memcmp(buf.data() + 24, disc.data() + lba * 2352, size_t(n) * 2352), 0) << lba;
    }
    EXPECT_EQ(read(180, 8), 0u);  // past the lead-out
    EXPECT_EQ(cd.GetAspiLibError(), -4);
    EXPECT_EQ(read(0, 0), 0u);
    EXPECT_EQ(read(0, 27), 0u);  // more than the buffer holds
    EXPECT_EQ(cd.GetAspiLibError(), -6);
    EXPECT_EQ(cd.CloseCDHandle(h), 1u);
    EXPECT_EQ(read(0, 1), 0u);
    EXPECT_EQ(cd.GetAspiLibError(), -7);
    ::unsetenv("NALO_CD_IMAGES");
}

}  // namespace
