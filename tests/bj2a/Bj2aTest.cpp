// Images-to-AVI run and nalo-convert bj2a: frame sizes, stretching, the stream's
// rate, and failures that leave no AVI.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <set>
#include <unistd.h>
#include <filesystem>

#include "platform/AviFile.h"
#include "platform/Dib.h"
#include "platform/PictureIo.h"
#include "support/TestSupport.h"
#include "tools/bj2a/Bj2aRules.h"
#include "tools/bj2a/FrameRate.h"
#include "tools/bj2a/ImagesToAvi.h"

using namespace nalo;
using namespace nalo::bj2a;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

// A picture whose colours change across both axes, saved as a 24-bit BMP.
Dib pattern(int w, int h, int seed) {
    Dib d(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.setPixel(x, y, rgb(uint8_t(x * 7 + seed), uint8_t(y * 5), uint8_t(seed * 40)));
    return d;
}

std::string bmp(const TempDir& dir, const std::string& name, int w, int h, int seed) {
    savePictureBmp(pattern(w, h, seed), dir.file(name));
    return dir.file(name);
}

CompressorChooser choosing(uint32_t handler, bool confirm = true) {
    return [=](const std::vector<AviCompressor>&, uint32_t, AVICOMPRESSOPTIONS& o) {
        o.fccHandler = handler;
        return confirm;
    };
}

RunResult run(const TempDir& dir, std::vector<std::string> pictures, int w, int h, CompressorChooser choose,
              const std::string& out = "out.avi") {
    RunRequest request;
    request.output = out.find('/') == std::string::npos ? dir.file(out) : out;
    request.pictures = std::move(pictures);
    request.width = w;
    request.height = h;
    request.tempFrame = TempFramePath(dir.path().string());
    RunHooks hooks;
    hooks.choose = std::move(choose);
    return WriteAviFromPictures(request, hooks);
}

}  // namespace

TEST(Bj2aRules, PreviewAndFrameRate) {
    struct {
        int w, h;
        PreviewSize want;
    } cases[] = {{400, 200, {100, 50}}, {200, 400, {50, 100}}, {300, 300, {100, 100}}, {1000, 3, {100, 1}}, {8, 3, {100, 38}}};
    for (const auto& c : cases) EXPECT_EQ(PreviewFor(c.w, c.h), c.want) << c.w << "x" << c.h;
    EXPECT_EQ(LimitFps(0), 1);
    EXPECT_EQ(LimitFps(31), 30);
    EXPECT_EQ(LimitFps(20), 20);
    struct {
        const char* text;
        std::optional<FrameRate> want;
    } rates[] = {{"20", FrameRate{20, 1}}, {"0.5", FrameRate{1, 2}}, {"29.97", FrameRate{2997, 100}},
                 {"30000/1001", FrameRate{30000, 1001}}, {"0.1", FrameRate{1, 10}}, {"1/10", FrameRate{1, 10}},
                 {"0.09", std::nullopt}, {"30.5", std::nullopt}, {"0", std::nullopt}, {"1/0", std::nullopt},
                 {"", std::nullopt}, {".", std::nullopt}, {"1.2.3", std::nullopt}, {"-1", std::nullopt},
                 {"99999999999999999999/3", std::nullopt}};
    for (const auto& r : rates) EXPECT_EQ(ParseFrameRate(r.text), r.want) << r.text;
    EXPECT_EQ(LimitFrameRate({1, 100}), SlowestRate);
    EXPECT_EQ(LimitFrameRate({60, 1}), FastestRate);
    EXPECT_EQ(LimitFrameRate({40, 2}), (FrameRate{20, 1}));
    EXPECT_EQ(TempFramePath("/a/"), "/a/AVI_Temp.bmp");
    EXPECT_EQ(TempFramePath("/a"), "/a/AVI_Temp.bmp");
}

TEST(Bj2aRun, PicturesStretchedToTheCanvasInOrder) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const std::string jpg = dir.file("big.jpg");
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=640x480 -frames:v 1 " + jpg), 0);
    const std::string tall = bmp(dir, "tall.bmp", 100, 300, 3);
    RunResult r = run(dir, {jpg, tall}, 320, 240, choosing(comptypeDIB));
    ASSERT_EQ(r.outcome, Outcome::Written) << r.reason;
    EXPECT_EQ(r.frames, 2);

    AviLibraryScope scope;
    PAVISTREAM s;
    ASSERT_EQ(AVIStreamOpenFromFileA(s, dir.file("out.avi"), streamtypeVIDEO, 0, OF_SHARE_EXCLUSIVE), 0);
    ASSERT_EQ(AVIStreamLength(s), 2);
    AVISTREAMINFOA info;
    AVIStreamInfoA(s, &info, sizeof info);
    EXPECT_EQ(info.dwRate, 20u);
    EXPECT_EQ(info.dwScale, 1u);
    BITMAPINFOHEADER want;
    want.biWidth = 320, want.biHeight = 240, want.biBitCount = 24, want.biSizeImage = 320 * 3 * 240;
    PGETFRAME frames = AVIStreamGetFrameOpen(s, &want);
    ASSERT_TRUE(frames);
    // Frame 1 is the tall picture stretched colour on colour, pixel for pixel.
    Dib canvas(320, 240, 24);
    const Dib source = loadPicture(tall);
    stretchBlt(canvas, 0, 0, 320, 240, source, 0, 0, 100, 300);
    for (int i : {0, 1}) {
        const BITMAPINFOHEADER* dib = AVIStreamGetFrame(frames, i);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib->biWidth, 320);
        EXPECT_EQ(dib->biHeight, 240);
        if (i == 1) {
            EXPECT_EQ(std::memcmp(dib + 1, canvas.bits(), canvas.imageSize()), 0);
        }
    }
    EXPECT_TRUE(fs::exists(dir.file("AVI_Temp.bmp")));  // the window removes it on unload
}

TEST(Bj2aRun, FailuresLeaveNoAvi) {
    TempDir dir;
    const std::string a = bmp(dir, "a.bmp", 40, 30, 1), b = bmp(dir, "b.bmp", 40, 30, 2);
    const std::string broken = dir.file("broken.bmp");
    auto bytes = readFile(a);
    bytes.resize(100);
    writeFile(broken, bytes);
    fs::create_directory(dir.file("ro"));
    writeText(dir.file("ro/old.avi"), "x");
    fs::permissions(dir.file("ro/old.avi"), fs::perms::owner_read);
    struct Case {
        const char* name;
        std::vector<std::string> pictures;
        CompressorChooser choose;
        std::string out;
        Outcome outcome;
        std::string failed;  // the picture named
    } cases[] = {
        {"cancelled", {a, b}, choosing(comptypeDIB, false), "out.avi", Outcome::Cancelled, ""},
        {"first unreadable", {broken, a}, choosing(comptypeDIB), "out.avi", Outcome::PictureFailed, broken},
        {"corrupt in the middle", {a, broken, b}, choosing(comptypeDIB), "out.avi", Outcome::PictureFailed, broken},
        {"no such folder", {a}, choosing(comptypeDIB), dir.file("none/out.avi"), Outcome::NotOpened, ""},
        {"read-only target", {a}, choosing(comptypeDIB), dir.file("ro/old.avi"), Outcome::NotOpened, ""},
        {"full frames into MP4", {a, b}, choosing(comptypeDIB), "out.mp4", Outcome::WriteFailed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult r = run(dir, c.pictures, 40, 30, c.choose, c.out);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.picture, c.failed);
        if (!c.failed.empty()) {
            EXPECT_NE(r.reason.find(c.failed), std::string::npos) << r.reason;
        }
        EXPECT_FALSE(fs::exists(dir.file("out.avi")));
        EXPECT_FALSE(fs::exists(dir.file("out.mp4")));
    }
    EXPECT_EQ(readFile(dir.file("ro/old.avi")).size(), 1u);
}

TEST(Bj2aCli, ExitCodesLinesAndNoOutputOnFailure) {
    TempDir dir;
    const std::string a = bmp(dir, "a.bmp", 64, 48, 1), b = bmp(dir, "b.bmp", 32, 32, 2);
    writeText(dir.file("bad.bmp"), "BM not a picture");
    const std::string cli = appDir() + "/nalo-convert bj2a ";
    const std::string out = dir.file("o.avi");
    struct Case {
        std::string args;
        int rc;
        const char* expect;  // in the output
    } cases[] = {
        {out + " " + a + " " + b, 0, "frame 1: "},
        {"--fps 0 " + out + " " + a, 2, "--fps"},
        {"--size 10 " + out + " " + a, 2, "--size"},
        {"--codec wmv " + out + " " + a, 2, "--codec"},
        {out, 2, "PICTURE"},
        {out + " " + a + " " + dir.file("bad.bmp"), 1, "failed: "},
        {out + " " + dir.file("missing.bmp"), 1, "missing.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        fs::remove(out);
        std::string text;
        EXPECT_EQ(runCommand(cli + c.args + " 2>&1", &text), c.rc);
        EXPECT_NE(text.find(c.expect), std::string::npos) << text;
        EXPECT_EQ(fs::exists(out), c.rc == 0);
    }
    std::string text;
    ASSERT_EQ(runCommand(cli + "--size 32x24 --fps 12 --codec mjpeg --quality 90 " + out + " " + a + " " + b, &text), 0);
    EXPECT_NE(text.find("written: " + out + " (2 frames, 32x24, 12 fps, mjpeg)"), std::string::npos) << text;
}

TEST(Bj2aCli, FrameSizeTooLargeIsRefusedBeforeAnyPictureIsDecoded) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    // A JPEG declaring 11000 x 11000 in 300 kB: the loader would build a 363 MB picture.
    const std::string big = dir.file("big.jpg");
    ASSERT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i color=s=16x16 -frames:v 1 '" + big + "'"), 0);
    auto bytes = readFile(big);
    const uint8_t marker[] = {0xFF, 0xC0};
    const auto sof = std::search(bytes.begin(), bytes.end(), marker, marker + 2) - bytes.begin();
    ASSERT_LT(size_t(sof), bytes.size());
    for (int at : {5, 7}) bytes[sof + at] = 11000 >> 8, bytes[sof + at + 1] = 11000 & 0xFF;
    bytes.resize(300000);
    writeFile(big, bytes);
    // Headers alone: a PNG, a lossless WebP and a big-endian TIFF turned a quarter by
    // its orientation (9000 wide as stored).
    const std::string png = dir.file("big.png"), webp = dir.file("big.webp"), tif = dir.file("big.tif");
    writeFile(png, {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x2A, 0xF8, 0, 0,
                    0x2A, 0xF8, 8, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'I', 'D', 'A', 'T'});
    const uint32_t side = 11000 - 1, vp8l = side | side << 14;
    writeFile(webp, {'R', 'I', 'F', 'F', 26, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 13, 0, 0, 0, 0x2F,
                     uint8_t(vp8l), uint8_t(vp8l >> 8), uint8_t(vp8l >> 16), uint8_t(vp8l >> 24), 0, 0, 0, 0, 0, 0,
                     0, 0, 0});
    writeFile(tif, {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 3, 1, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0x23, 0x28, 1, 1, 0, 3, 0, 0, 0,
                    1, 0x2A, 0xF8, 0, 0, 1, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0});
    const std::string a = bmp(dir, "a.bmp", 64, 48, 1), out = dir.file("o.avi");
    const std::pair<std::string, std::string> cases[] = {
        {out + " " + big, big + ": 11000 x 11000 is too large for an AVI frame"},
        {out + " " + png, png + ": 11000 x 11000 is too large for an AVI frame"},
        {out + " " + webp, webp + ": 11000 x 11000 is too large for an AVI frame"},
        {out + " " + tif, tif + ": 11000 x 9000 is too large for an AVI frame"},
        {"--size 20000x20000 " + out + " " + a, out + ": 20000 x 20000 is too large for an AVI frame"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args);
        std::string text;
        EXPECT_EQ(runCommand("/usr/bin/time -f 'peak %M' -o " + dir.file("peak") + " " + appDir() + "/nalo-convert bj2a " +
                             args + " 2>&1", &text), 1);
        EXPECT_EQ(text, "failed: " + message + "\n");
        const auto peak = readFile(dir.file("peak"));
        const std::string report(peak.begin(), peak.end());
        EXPECT_LT(std::stol(report.substr(report.find("peak ") + 5)), 64 * 1024) << report;  // kB
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(Bj2aCli, AKilledRunLeavesNoTemporaryAndLeftoversOfEndedProcessesGo) {
    TempDir dir;  // the work folder
    const std::string a = bmp(dir, "a.bmp", 8, 8, 1);
    std::string ended;  // the number of a process that has ended
    ASSERT_EQ(runCommand("sh -c 'echo $$'", &ended), 0);
    ended.pop_back();
    const std::string running = std::to_string(::getpid());
    for (const std::string& name : std::vector<std::string>{"AVI_Temp." + ended + ".aB3xYz.bmp", "AVI_Temp." + running + ".aB3xYz.bmp",
                                   "AVI_Temp.Qw9rTy.bmp", "AVI_Temp.Old9rT.bmp", "AVI_Temp.bmp",
                                   "AVI_Temp." + ended + ".aB3xYz.jpg"})
        writeText(dir.file(name), "x");
    fs::last_write_time(dir.file("AVI_Temp.Old9rT.bmp"), fs::file_time_type::clock::now() - std::chrono::hours(2));
    // Output nobody reads stops the run on a full pipe, where it is killed.
    std::string pictures;
    for (int i = 0; i < 3000; ++i) pictures += " " + a;
    runCommand("NALO_APP_DIR='" + dir.path().string() + "' timeout -s KILL 1 " + appDir() + "/nalo-convert bj2a " +
               dir.file("o.avi") + pictures + " 2>/dev/null | sleep 1.2");
    const std::set<std::string> kept = {"a.bmp", "AVI_Temp." + running + ".aB3xYz.bmp", "AVI_Temp.Qw9rTy.bmp",
                                        "AVI_Temp.bmp", "AVI_Temp." + ended + ".aB3xYz.jpg"};
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, kept);
}

// The output's name chooses the container; ffprobe reads back what was written.
TEST(Bj2aCli, ContainersCodecsFrameCountsAndRates) {
    if (!haveTool("ffprobe")) GTEST_SKIP() << "ffprobe missing";
    TempDir dir;
    std::string pictures;
    for (int i = 0; i < 3; ++i) pictures += " " + bmp(dir, "p" + std::to_string(i) + ".bmp", 321, 201, i);
    const std::string cli = appDir() + "/nalo-convert bj2a ";
    struct Case {
        std::string options, out;
        const char* format;  // ffprobe's format_name, codec, coded size, rate
        const char* codec;
        const char* size;
        const char* rate;
        bool padded;
    } cases[] = {
        {"", "a.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "322x202", "20/1", true},
        {"--codec mpeg4 --size 320x200 --fps 25", "b.mov", "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", "320x200", "25/1", false},
        {"", "c.mkv", "matroska,webm", "h264", "322x202", "20/1", true},
        {"--codec vp9 --fps 12", "d.mkv", "matroska,webm", "vp9", "321x201", "12/1", false},
        {"", "e.webm", "matroska,webm", "vp9", "321x201", "20/1", false},
        {"--codec h264", "f.avi", "avi", "h264", "322x202", "20/1", true},
        {"--fps 0.5", "g.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "322x202", "1/2", true},
        {"--fps 30000/1001", "h.mp4", "mov,mp4,m4a,3gp,3g2,mj2", "h264", "322x202", "30000/1001", true},
        {"--fps 0.1", "i.webm", "matroska,webm", "vp9", "321x201", "1/10", false},
        {"--fps 29.97 --codec raw", "j.avi", "avi", "rawvideo", "321x201", "2997/100", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out);
        const std::string out = dir.file(c.out);
        std::string text;
        ASSERT_EQ(runCommand(cli + c.options + " " + out + pictures + " 2>&1", &text), 0) << text;
        EXPECT_EQ(text.find("note: 321x201 padded to 322x202") != std::string::npos, c.padded) << text;
        std::string probe;
        runCommand("ffprobe -v error -count_frames -show_entries format=format_name:stream=codec_name,width,height,"
                   "avg_frame_rate,nb_read_frames -of default=nw=1 '" + out + "'",
                   &probe);
        const std::string size(c.size);
        const std::string want = std::string("codec_name=") + c.codec + "\nwidth=" + size.substr(0, 3) +
                                 "\nheight=" + size.substr(4) + "\navg_frame_rate=" + c.rate +
                                 "\nnb_read_frames=3\nformat_name=" + c.format + "\n";
        EXPECT_EQ(probe, want);
    }
    // A codec the container does not take is refused before anything is written.
    std::string text;
    EXPECT_EQ(runCommand(cli + "--codec raw " + dir.file("x.mp4") + pictures + " 2>&1", &text), 2);
    EXPECT_NE(text.find("MP4 takes --codec h264 or mpeg4"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(dir.file("x.mp4")));
}
