// The AVI-to-images engine and nalo-convert a2bj over AVIs made by ffmpeg.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "codecs/LittleEndian.h"
#include "support/TestSupport.h"
#include "tools/a2bj/FrameExtraction.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

constexpr int W = 42, H = 30, N = 10;  // 42 * 3 = 126: rows padded to 128

std::string makeAvi(const TempDir& dir, const std::string& name, const std::string& codecArgs, int frames = N) {
    const std::string path = dir.file(name);
    EXPECT_EQ(runCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=42x30:rate=25 -frames:v " +
                         std::to_string(frames) + " " + codecArgs + " '" + path + "'"),
              0)
        << codecArgs;
    return path;
}

a2bj::Plan wholeStream(a2bj::AviFrameSource& avi, const std::string& folder, const std::string& base = "name") {
    a2bj::Plan p;
    p.from = avi.facts().first;
    p.to = avi.facts().last();
    p.folder = folder;
    p.baseName = base;
    return p;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string cli(const std::string& args, int* rc = nullptr) {
    std::string out;
    const int r = runCommand(appDir() + "/nalo-convert a2bj " + args + " 2>&1", &out);
    if (rc) *rc = r;
    return out;
}

}  // namespace

TEST(FrameExtraction, FramesEqualFfmpegsDecodeAcrossCodecs) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const AviCodecCase cases[] = {
        {"raw.avi", "-c:v rawvideo -pix_fmt bgr24", 0},
        {"ffv1.avi", "-c:v ffv1", 0},
        {"mjpeg.avi", "-c:v mjpeg -q:v 3", 2},
        {"mpeg4.avi", "-c:v mpeg4 -q:v 4 -bf 2 -g 4", 2},
        {"h264.avi", "-c:v libx264 -qp 20 -g 4 -bf 2", 2},
    };
    for (const AviCodecCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string avi = makeAvi(dir, c.name, c.args);
        const std::string raw = dir.file(std::string(c.name) + ".bgr");
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i '" + avi + "' -sws_flags bicubic -f rawvideo -pix_fmt bgr24 '" + raw + "'"), 0);
        const auto expected = readFile(raw);
        ASSERT_EQ(expected.size(), size_t(W) * H * 3 * N);
        const std::string out = dir.file(std::string(c.name) + ".out");
        fs::create_directory(out);
        a2bj::AviFrameSource source;
        ASSERT_EQ(source.open(avi), a2bj::AviOpen::Ok);
        const auto result = a2bj::extractFrames(source, wholeStream(source, out));
        EXPECT_EQ(result.files.written, N);
        EXPECT_TRUE(result.undecoded.empty());
        constexpr uint32_t stride = 128, image = stride * H;
        int worst = 0;
        for (int i = 0; i < N; ++i) {
            const auto bmp = readFile(out + "/" + a2bj::frameFileName("name", i));
            ASSERT_EQ(bmp.size(), 54 + image);
            EXPECT_EQ(getLe16(&bmp[0]), 0x4D42);
            EXPECT_EQ(getLe32(&bmp[2]), 54 + image);
            EXPECT_EQ(getLe32(&bmp[10]), 54u);
            EXPECT_EQ(getLe32(&bmp[14]), 40u);
            EXPECT_EQ(int32_t(getLe32(&bmp[18])), W);
            EXPECT_EQ(int32_t(getLe32(&bmp[22])), H);  // bottom-up
            EXPECT_EQ(getLe16(&bmp[28]), 24);
            EXPECT_EQ(getLe32(&bmp[34]), image);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W * 3; ++x)
                    worst = std::max(worst, std::abs(bmp[54 + (H - 1 - y) * stride + x] -
                                                     expected[(size_t(i) * H + y) * W * 3 + x]));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(FrameExtraction, RangesStepsAndTheStreamsOwnNumbers) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    std::string avi = makeAvi(dir, "s.avi", "-c:v rawvideo -pix_fmt bgr24");
    auto bytes = readFile(avi);
    const auto strh = std::search(bytes.begin(), bytes.end(), "strh", "strh" + 4) - bytes.begin();
    putLe32(&bytes[strh + 8 + 28], 5);  // dwStart: frames 5 .. 14
    writeFile(avi, bytes);
    struct Case {
        int from, to, every, count;
        std::vector<int> frames;
    } cases[] = {
        {5, 14, 1, 10, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {5, 14, 3, 4, {5, 8, 11, 14}},
        {9, 10, 1, 2, {9, 10}},
        {-3, 7, 2, 2, {5, 7}},      // clamped to the first frame
        {12, 9999, 5, 1, {12}},     // and to the last
        {14, 14, 4, 1, {14}},
    };
    a2bj::AviFrameSource source;
    ASSERT_EQ(source.open(avi), a2bj::AviOpen::Ok);
    EXPECT_EQ(source.facts().first, 5);
    EXPECT_EQ(source.facts().last(), 14);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + ".." + std::to_string(c.to) + "/" + std::to_string(c.every));
        const std::string out = dir.file("o" + std::to_string(&c - cases));
        fs::create_directory(out);
        a2bj::Inputs in;
        in.from = c.from;
        in.to = c.to;
        in.every = c.every;
        const a2bj::Plan plan = a2bj::planFor(source.facts(), in, out, "f", 0);
        EXPECT_EQ(a2bj::frameCount(plan), c.count);
        a2bj::extractFrames(source, plan);
        std::vector<std::string> want;
        for (int f : c.frames) want.push_back(a2bj::frameFileName("f", f));
        EXPECT_EQ(namesIn(out), want);
    }
    EXPECT_EQ(a2bj::frameFileName("name", 3), "name0003.bmp");
    EXPECT_EQ(a2bj::frameFileName("name", 12345), "name12345.bmp");
}

TEST(FrameExtraction, SkipKeepsOverwriteReplacesFailuresAreNamedAndStopEndsTheRun) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const std::string avi = makeAvi(dir, "a.avi", "-c:v rawvideo -pix_fmt bgr24", 4);
    const std::string out = dir.file("out");
    fs::create_directory(out);
    writeText(out + "/n0001.bmp", "keep");
    fs::create_directory(out + "/n0002.bmp");  // cannot be written over
    a2bj::AviFrameSource source;
    ASSERT_EQ(source.open(avi), a2bj::AviOpen::Ok);
    a2bj::Plan plan = wholeStream(source, out, "n");
    plan.overwriteMode = 1;
    auto r = a2bj::extractFrames(source, plan);
    EXPECT_EQ(readFile(out + "/n0001.bmp").size(), 4u);
    EXPECT_EQ(r.files.skipped, 1);
    EXPECT_EQ(r.files.written, 2);
    EXPECT_EQ(r.files.failed, 1);
    EXPECT_EQ(a2bj::completionMessage(r), "ﾌｧｲﾙを作成しました。\r\n作成できなかったﾌｧｲﾙ (1):\r\nn0002.bmp");

    plan.overwriteMode = 0;
    plan.resize = true;
    plan.width = 7;
    plan.height = 5;
    int handled = 0;
    r = a2bj::extractFrames(source, plan, [&](const a2bj::FileResult&) { return ++handled < 2; });
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(handled, 2);
    const auto replaced = readFile(out + "/n0001.bmp");
    ASSERT_EQ(replaced.size(), 54u + 24 * 5);  // 7 x 5 at 24 bits, rows of 24 bytes
    EXPECT_EQ(getLe32(&replaced[18]), 7u);
    EXPECT_EQ(getLe16(&replaced[28]), 24);
    plan.resize = false;
    fs::remove(out + "/n0002.bmp");
    EXPECT_EQ(a2bj::completionMessage(a2bj::extractFrames(source, plan)), "ﾌｧｲﾙを作成しました。(正常終了)");
}

TEST(FrameExtraction, InputChecksInTheirOrder) {
    TempDir dir;
    const std::string ok = dir.path().string();
    struct Case {
        a2bj::InputTexts t;
        const char* message;
    } cases[] = {
        {{"x", "y", "", "", false, "", ""}, "Error ﾌﾚｰﾑ指定 From"},
        {{"1", "", "", "", false, "", ""}, "Error ﾌﾚｰﾑ指定 To"},
        {{"10", "9", "", "", false, "", ""}, "Error ﾌﾚｰﾑ指定 From > To"},
        {{"9", "10", "", "", false, "", ""}, "Error ﾌﾚｰﾑを？枚おきに保存"},
        {{"9", "10", "-2", ok, false, "", ""}, "Error ﾌﾚｰﾑを？枚おきに保存"},
        {{"9", "10", "1", "", false, "", ""}, "Error 保存先ﾌｫﾙﾀﾞ"},
        {{"9", "10", "1", ok + "/none", false, "", ""}, "Error 保存先ﾌｫﾙﾀﾞ"},
        {{"9", "10", "1", ok, true, "0", "5"}, "Error 画像ｻｲｽﾞの変更"},
        {{"9", "10", "1", ok, true, "5", "a"}, "Error 画像ｻｲｽﾞの変更"},
        {{"9", "10", "1", ok, true, "40000", "5"}, "Error 画像ｻｲｽﾞの変更"},
        {{"9", "10", "1", ok, false, "a", "b"}, nullptr},
        {{" 1.0 ", "2e1", "0", ok, true, "64", "48"}, nullptr},
    };
    for (const Case& c : cases) {
        a2bj::Inputs in;
        const auto message = a2bj::checkInputs(c.t, in);
        EXPECT_EQ(message.value_or(""), c.message ? c.message : "") << c.t.from << " " << c.t.every;
    }
    a2bj::Inputs in;
    ASSERT_FALSE(a2bj::checkInputs(cases[11].t, in));
    EXPECT_EQ(in.from, 1);
    EXPECT_EQ(in.to, 20);
    EXPECT_EQ(in.every, 1);
    EXPECT_TRUE(in.everyWasZero);
}

TEST(NaloConvertA2bj, LinesExitCodesAndHostileAvis) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const std::string avi = makeAvi(dir, "a.avi", "-c:v mjpeg", 6);
    const std::string out = dir.file("out");
    fs::create_directory(out);
    int rc = -1;
    EXPECT_EQ(cli("--every 2 --from 1 --name v --out '" + out + "' '" + avi + "'", &rc),
              "written: " + out + "/v0001.bmp\nwritten: " + out + "/v0003.bmp\nwritten: " + out + "/v0005.bmp\n");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(cli("--skip --from 3 --to 3 --name v --out '" + out + "' '" + avi + "'", &rc),
              "skipped: " + out + "/v0003.bmp (exists)\n");
    EXPECT_EQ(rc, 0);
    cli("--from 4 --to 2 --out '" + out + "' '" + avi + "'", &rc);
    EXPECT_EQ(rc, 2);
    cli("--out '" + out + "'", &rc);
    EXPECT_EQ(rc, 2);
    EXPECT_EQ(cli("--out '" + dir.file("none") + "' '" + avi + "'", &rc), "failed: " + dir.file("none") + ": no such folder\n");
    EXPECT_EQ(rc, 1);

    // Truncated in its headers, random bytes, an absurd declared frame size.
    const auto good = readFile(avi);
    auto cut = good;
    cut.resize(300);
    std::vector<uint8_t> noise(5000);
    std::mt19937 rng(3);
    for (auto& b : noise) b = uint8_t(rng());
    auto huge = good;
    const auto strf = std::search(huge.begin(), huge.end(), "strf", "strf" + 4) - huge.begin();
    putLe32(&huge[strf + 12], 30000);
    putLe32(&huge[strf + 16], 30000);
    const std::string hostileOut = dir.file("hostile");
    fs::create_directory(hostileOut);
    for (const auto& [name, bytes] : {std::pair{"cut.avi", cut}, {"noise.avi", noise}, {"huge.avi", huge}}) {
        SCOPED_TRACE(name);
        writeFile(dir.file(name), bytes);
        a2bj::AviFrameSource source;
        EXPECT_EQ(source.open(dir.file(name)), a2bj::AviOpen::Unreadable);
        EXPECT_EQ(a2bj::openMessage(source.open(dir.file(name)), dir.file(name)), "Error : \r\n" + dir.file(name));
        EXPECT_EQ(cli("--out '" + hostileOut + "' '" + dir.file(name) + "'", &rc),
                  "failed: " + dir.file(name) + ": not a readable AVI video\n");
        EXPECT_EQ(rc, 1);
    }
    EXPECT_TRUE(fs::is_empty(hostileOut));
}

TEST(FrameExtraction, SourceShrinkingDuringTheRunFailsItsFramesCleanly) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    const std::string out = dir.file("out");
    fs::create_directory(out);
    // (codec, step, size the file is cut to after the first frame written)
    const std::tuple<const char*, int, size_t> cases[] = {
        {"-c:v mjpeg", 1, 0},          {"-c:v mjpeg", 3, 0},
        {"-c:v mpeg4 -bf 2 -g 4", 1, 0}, {"-c:v mpeg4 -bf 2 -g 4", 2, 0},
        {"-c:v mjpeg", 2, 6000},         {"-c:v mpeg4 -bf 2 -g 4", 1, 6000},
    };
    for (const auto& [codec, every, cut] : cases) {
        SCOPED_TRACE(std::string(codec) + " every " + std::to_string(every) + " cut " + std::to_string(cut));
        const std::string avi = makeAvi(dir, "s.avi", codec, 120);
        a2bj::AviFrameSource source;
        ASSERT_EQ(source.open(avi), a2bj::AviOpen::Ok);
        a2bj::Plan plan = wholeStream(source, out);
        plan.every = every;
        const auto result = a2bj::extractFrames(source, plan, [&](const a2bj::FileResult&) {
            fs::resize_file(avi, cut);
            // Going back makes the reader seek or open the file again.
            source.frame(0);
            return true;
        });
        EXPECT_FALSE(result.undecoded.empty());
        EXPECT_LT(result.files.written, 120 / every);
    }
}

TEST(FrameExtraction, DroppedFramesKeepTheirNumbersAndShowThePreviousPicture) {
    if (!haveTool("ffmpeg")) GTEST_SKIP();
    TempDir dir;
    // Frames 3 and 4 dropped: ffmpeg writes two empty chunks, 12 frames in all.
    const int picture[] = {0, 1, 2, 2, 2, 3, 4, 5, 6, 7, 8, 9};  // ffmpeg's decoded picture of each frame
    for (const char* codec : {"-c:v mjpeg", "-c:v mpeg4 -bf 0 -g 4"}) {
        SCOPED_TRACE(codec);
        const std::string avi =
            makeAvi(dir, "d.avi", std::string("-vf \"select=not(between(n\\,3\\,4))\" -fps_mode passthrough ") + codec);
        const std::string raw = dir.file("d.bgr");
        ASSERT_EQ(runCommand("ffmpeg -v error -y -i '" + avi + "' -fps_mode passthrough -sws_flags bicubic -f rawvideo "
                             "-pix_fmt bgr24 '" + raw + "'"), 0);
        const auto expected = readFile(raw);
        ASSERT_EQ(expected.size(), size_t(W) * H * 3 * N);
        a2bj::AviFrameSource source;
        ASSERT_EQ(source.open(avi), a2bj::AviOpen::Ok);
        ASSERT_EQ(source.facts().length, 12);
        // Straight to a dropped frame, then the whole stream in order.
        const int order[] = {4, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        for (int f : order) {
            SCOPED_TRACE(f);
            const BITMAPINFOHEADER* dib = source.frame(f);
            ASSERT_TRUE(dib);
            const auto* bits = reinterpret_cast<const uint8_t*>(dib + 1);
            int worst = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W * 3; ++x)
                    worst = std::max(worst, std::abs(bits[(H - 1 - y) * 128 + x] -
                                                     expected[(size_t(picture[f]) * H + y) * W * 3 + x]));
            EXPECT_LE(worst, 2);
        }
    }
}
