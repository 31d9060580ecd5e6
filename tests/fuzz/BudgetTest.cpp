// The picture budget against decompression bombs: each hostile file fails in bounded
// memory, measured on the real command line, and a legitimate large picture converts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <jpeglib.h>

#include "codecs/BmpDecoder.h"
#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"
#include "support/TestSupport.h"

namespace nalo {
namespace {

struct ChildRun {
    int status = -1;
    long peakKb = 0;  // largest resident set of the child
    std::string errors;
};

// Runs nalo-convert with `args`, its standard error captured.
ChildRun runConvert(const std::vector<std::string>& args, const std::string& errFile) {
    const std::string program = test::appDir() + "/nalo-convert";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ChildRun run;
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(errFile.c_str(), "w", stderr) || !std::freopen("/dev/null", "w", stdout)) _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.peakKb = usage.ru_maxrss;
    }
    const auto bytes = test::readFile(errFile);
    run.errors.assign(bytes.begin(), bytes.end());
    return run;
}

std::string regression(const std::string& name) { return test::sourceDir() + "/tests/fuzz/regressions/" + name; }

constexpr long BoundKb = 300 * 1024;

TEST(PictureBudget, BombsFailInBoundedMemory) {
    test::TempDir dir;
    const std::string jpeg = dir.file("bomb.jpg");
    test::writeFile(jpeg, test::readFile(regression("picture/arith-jpeg-claims-16384x16384.jpg")));
    struct Case {
        std::vector<std::string> args;
        const char* message;  // expected in the error output
    } cases[] = {
        {{"tgapcx", "jpg2bmp", jpeg}, "picture too large (16384 x 16384 pixels; the limit is 134217728 pixels"},
        {{"a2bj", "--out", dir.path().string(), regression("avi/mjpeg-claims-8192x8192.avi")}, "not a readable AVI"},
        {{"avi2gif", regression("avi/mjpeg-claims-8192x8192.avi"), dir.file("a.gif")}, "loading error AVI file"},
        {{"avi2gif", regression("avi/movi-list-size-80000000.avi"), dir.file("b.gif")}, ""},
    };
    for (const Case& c : cases) {
        const ChildRun run = runConvert(c.args, dir.file("err.txt"));
        SCOPED_TRACE(c.args[0] + " " + c.args.back());
        EXPECT_LT(run.peakKb, BoundKb);
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        if (*c.message) EXPECT_EQ(run.status, 1);
        else EXPECT_LE(run.status, 1);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("bomb.bmp")));
}

// A flat 10000 x 10000 JPEG: 100 megapixels under the 128-megapixel budget.
void writeFlatJpeg(const std::string& path, int side) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = c.image_height = JDIMENSION(side);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    c.arith_code = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(side) * 3, 90);
    JSAMPROW rows[1] = {row.data()};
    while (c.next_scanline < c.image_height) jpeg_write_scanlines(&c, rows, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

TEST(PictureBudget, HundredMegapixelPictureConverts) {
    test::TempDir dir;
    const std::string jpeg = dir.file("big.jpg");
    writeFlatJpeg(jpeg, 10000);
    const ChildRun run = runConvert({"tgapcx", "jpg2pcx", jpeg}, dir.file("err.txt"));
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(std::filesystem::exists(dir.file("big.pcx")));
}

TEST(PictureBudget, EnvironmentSetsTheLimit) {
    // A 100 x 100 BMP against budgets below, at and above its 10 000 pixels.
    std::vector<uint8_t> bmp(54 + 100 * 300, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[10] = 54, bmp[14] = 40, bmp[18] = 100, bmp[22] = 100, bmp[26] = 1, bmp[28] = 24;
    struct Case {
        const char* value;
        bool fits;
    } cases[] = {{"9999", false}, {"10000", true}, {"", true}, {"junk", true}, {"-5", true}};
    for (const Case& c : cases) {
        setenv("NALO_MAX_PIXELS", c.value, 1);
        SCOPED_TRACE(c.value);
        if (c.fits) {
            EXPECT_NO_THROW(decodeBmp(bmp, "small.bmp"));
            continue;
        }
        try {
            decodeBmp(bmp, "small.bmp");
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.description(), "small.bmp: picture too large (100 x 100 pixels; the limit is 9999 pixels, "
                                       "set by NALO_MAX_PIXELS)");
        }
    }
    unsetenv("NALO_MAX_PIXELS");
    EXPECT_EQ(PictureBudget(), DefaultPictureBudget);
}

}  // namespace
}  // namespace nalo
