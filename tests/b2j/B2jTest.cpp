#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

#include "platform/PictureIo.h"
#include "shell/CheckComponents.h"
#include "support/TestSupport.h"
#include "tools/b2j/B2jConverter.h"
#include "tools/b2j/ComponentJpegEncoder.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

// The real component, copied out of the built pack into a private component folder.
struct B2j : ::testing::Test {
    void SetUp() override {
        if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
        ::setenv("NALO_APP_DIR", appDir().c_str(), 1);
        ::setenv("NALO_SYSTEM_DIR", (dir.path() / "system").c_str(), 1);
        ASSERT_TRUE(CheckComponents().ok);
        ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);  // Dumy2.bmp goes here
    }
    void TearDown() override {
        ::unsetenv("NALO_APP_DIR");
        ::unsetenv("NALO_SYSTEM_DIR");
    }
    std::string bmp(const std::string& name, const std::string& args) {
        const std::string path = dir.file(name);
        EXPECT_EQ(runCommand("convert -size 160x120 -seed 7 plasma:fractal " + args + "'" + path + "'"), 0);
        return path;
    }
    std::string identify(const std::string& path, const char* format) {
        std::string out;
        runCommand("identify -format '" + std::string(format) + "' '" + path + "'", &out);
        return out;
    }
    TempDir dir;
    b2j::JpegEncoder encode = b2j::componentJpegEncoder();
};

}  // namespace

TEST_F(B2j, EveryDepthBecomesABaselineJpegOfItsSize) {
    const char* variants[][2] = {{"d24.bmp", "-type truecolor BMP3:"},
                                 {"d32.bmp", "-alpha on BMP:"},
                                 {"d8.bmp", "-colors 100 -type palette BMP3:"},
                                 {"d4.bmp", "-colors 16 -type palette BMP3:"},
                                 {"d1.bmp", "-monochrome BMP3:"},
                                 {"p.png", "PNG24:"},
                                 {"w.webp", "-define webp:lossless=true WEBP:"},
                                 {"t.tif", "-compress LZW TIFF:"}};
    for (auto& v : variants) {
        const std::string src = dir.file(v[0]);
        ASSERT_EQ(runCommand("convert -size 160x120 -seed 7 plasma:fractal " + std::string(v[1]) + "'" + src + "'"), 0);
        auto r = b2j::convertFile(src, {}, encode);
        ASSERT_EQ(r.outcome, b2j::Outcome::Written) << v[0] << " " << r.reason;
        EXPECT_EQ(identify(r.output, "%w %h"), "160 120") << v[0];
        EXPECT_EQ(identify(r.output, "%[jpeg:sampling-factor]").empty(), false);
        std::string interlace = identify(r.output, "%[interlace]");
        EXPECT_EQ(interlace, "None") << "baseline, not progressive";
    }
}

TEST_F(B2j, QualityOrdersFileSizeAndFidelity) {
    const std::string src = bmp("photo.bmp", "-type truecolor BMP3:");
    long previous = 1L << 40;
    double previousPsnr = 1e9;
    for (int q : {100, 80, 60, 40}) {
        const std::string out = dir.file("q" + std::to_string(q) + ".jpg");
        ASSERT_TRUE(encode(src, out, q));
        const long size = static_cast<long>(fs::file_size(out));
        EXPECT_LT(size, previous) << q;
        previous = size;
        std::string psnr;
        runCommand("compare -metric PSNR '" + src + "' '" + out + "' null: 2>&1", &psnr);
        const double value = std::atof(psnr.c_str());
        EXPECT_GT(value, 25.0) << q << " " << psnr;
        EXPECT_LT(value, previousPsnr) << q;
        previousPsnr = value;
    }
}

TEST_F(B2j, NamingOverwriteSkipAndSizeMode) {
    const std::string src = bmp("a.b.bmp", "BMP3:");
    EXPECT_EQ(b2j::outputPathFor(src), dir.file("a.jpg"));
    EXPECT_EQ(b2j::outputPathFor("x.y.bmp"), "x.jpg");
    b2j::Options options;
    options.sizeMode = 1;
    options.width = 320;
    options.height = 240;
    auto r = b2j::convertFile(src, options, encode);
    ASSERT_EQ(r.outcome, b2j::Outcome::Written) << r.reason;
    EXPECT_TRUE(r.outputIsNew);
    EXPECT_EQ(identify(r.output, "%w %h"), "320 240");
    EXPECT_FALSE(fs::exists(dir.file("Dumy2.bmp")));

    const auto before = fs::file_size(r.output);
    options.overwriteMode = 1;
    options.sizeMode = 0;
    EXPECT_EQ(b2j::convertFile(src, options, encode).outcome, b2j::Outcome::Skipped);
    EXPECT_EQ(fs::file_size(r.output), before);
    options.overwriteMode = 0;
    auto replaced = b2j::convertFile(src, options, encode);
    EXPECT_EQ(replaced.outcome, b2j::Outcome::Written);
    EXPECT_FALSE(replaced.outputIsNew);
    EXPECT_EQ(identify(r.output, "%w %h"), "160 120");

    int w, h;
    EXPECT_FALSE(b2j::parseSize("", "5", w, h));
    EXPECT_FALSE(b2j::parseSize("0", "5", w, h));
    EXPECT_FALSE(b2j::parseSize("-3", "5", w, h));
    EXPECT_FALSE(b2j::parseSize("3.5", "5", w, h));
    EXPECT_TRUE(b2j::parseSize("320", "240", w, h));
}

TEST_F(B2j, ACorruptBitmapIsReportedAndTheOthersStillConvert) {
    const std::string good = bmp("good.bmp", "BMP3:");
    writeText(dir.file("bad.bmp"), "BM not really a bitmap");
    auto existing = dir.file("old.jpg");
    writeText(existing, "old");
    writeText(dir.file("old.bmp"), "BM broken");
    auto summary = b2j::convertFiles({dir.file("bad.bmp"), good, dir.file("old.bmp")}, {}, encode);
    EXPECT_EQ(summary.failed, 2);
    EXPECT_EQ(summary.written, 1);
    EXPECT_FALSE(fs::exists(dir.file("bad.jpg"))) << "no half-written JPEG";
    EXPECT_EQ(readFile(existing).size(), 3u) << "a failed conversion keeps the old JPEG";
    EXPECT_EQ(tgapcx::summaryMessage(summary).find("正常終了"), std::string::npos);
    EXPECT_NE(tgapcx::summaryMessage(summary).find("bad.bmp"), std::string::npos);
    for (auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".jpg."), std::string::npos) << "temporary left: " << e.path();

    std::string out;
    EXPECT_EQ(runCommand("NALO_APP_DIR='" + appDir() + "' '" + appDir() + "/nalo-convert' b2j --quality 30 x.bmp", &out), 2);
    EXPECT_EQ(runCommand("NALO_APP_DIR='" + appDir() + "' '" + appDir() + "/nalo-convert' b2j --quality 90 '" + good +
                             "' '" + dir.file("bad.bmp") + "'",
                         &out),
              1);
    EXPECT_NE(out.find("failed: " + dir.file("bad.bmp")), std::string::npos) << out;
}

// Size-mode runs at once, sharing one application path, each convert their own pictures.
TEST_F(B2j, ParallelSizeModeRunsEachConvertTheirOwnPicture) {
    fs::create_symlink(fs::path(appDir()) / "Nalo.dll", dir.file("Nalo.dll"));
    constexpr int Runs = 8, Files = 12;
    std::string script;
    for (int run = 0; run < Runs; ++run) {
        const fs::path folder = dir.path() / ("run" + std::to_string(run));
        fs::create_directory(folder);
        Dib picture(120, 90, 24);
        picture.fill(rgb(run * 30, 255 - run * 30, run % 2 ? 255 : 0));
        script += "'" + appDir() + "/nalo-convert' b2j --size 64x48";
        for (int f = 0; f < Files; ++f) {
            savePictureBmp(picture, (folder / (std::to_string(f) + ".bmp")).string());
            script += " '" + (folder / (std::to_string(f) + ".bmp")).string() + "'";
        }
        script += " >/dev/null &\n";
    }
    ASSERT_EQ(runCommand(script + "wait"), 0);
    for (int run = 0; run < Runs; ++run)
        for (int f = 0; f < Files; ++f) {
            const Dib jpg = loadPicture((dir.path() / ("run" + std::to_string(run)) / (std::to_string(f) + ".jpg")).string());
            const ColourValue c = jpg.pixel(32, 24);
            EXPECT_NEAR(int(c & 0xFF), run * 30, 8) << run << "/" << f;
            EXPECT_NEAR(int((c >> 8) & 0xFF), 255 - run * 30, 8) << run << "/" << f;
        }
    for (auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind("Dumy2", 0), std::string::npos) << "left: " << e.path();
}

// Each failure says why, naming the file, and the run goes on with the next file.
TEST_F(B2j, EveryFailureSaysWhyAndTheRunGoesOn) {
    const std::string good = bmp("good.bmp", "BMP3:"), locked = bmp("locked.bmp", "BMP3:");
    writeText(dir.file("locked.jpg"), "old");
    fs::permissions(dir.file("locked.jpg"), fs::perms(0444));
    writeText(dir.file("text.bmp"), "BM but not a bitmap");
    ASSERT_EQ(::mkfifo(dir.file("pipe.bmp").c_str(), 0600), 0);
    const struct {
        std::string source, reason;
    } cases[] = {
        {dir.file("gone.bmp"), dir.file("gone.bmp") + ": No such file"},
        {dir.file("text.bmp"), "JPEGに変換できませんでした（" + dir.file("text.bmp") + ":"},
        {dir.file("pipe.bmp"), dir.file("pipe.bmp") + ": not a regular file"},
        {locked, dir.file("locked.jpg") + ": read-only"},
    };
    std::vector<std::string> sources;
    for (const auto& c : cases) sources.push_back(c.source);
    sources.push_back(good);
    const auto summary = b2j::convertFiles(sources, {}, encode);
    ASSERT_EQ(summary.results.size(), 5u);
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(summary.results[i].outcome, b2j::Outcome::Failed) << cases[i].source;
        EXPECT_EQ(summary.results[i].reason.rfind(cases[i].reason, 0), 0u) << summary.results[i].reason;
        EXPECT_NE(tgapcx::summaryMessage(summary).find(summary.results[i].reason), std::string::npos);
    }
    EXPECT_EQ(summary.results[4].outcome, b2j::Outcome::Written);
    EXPECT_EQ(readFile(dir.file("locked.jpg")).size(), 3u);

    // A write the component cannot finish (here past a file-size limit).
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 512;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto r = b2j::convertFile(good, {}, encode);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(r.reason, "JPEGに変換できませんでした（" + dir.file("good.jpg") + ": write failed）");
}
