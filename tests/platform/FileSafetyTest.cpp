#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>

#include "codecs/GifAnimation.h"
#include "codecs/IcoWriter.h"
#include "platform/PictureIo.h"
#include "shell/CheckComponents.h"
#include "shell/RuntimeError.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct Writer {
    const char* name;
    const char* file;
    std::function<void(const std::string&)> write;
    bool raises;  // reports failure by RuntimeError (the settings file loses it silently)
};

const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"bmp", "out.bmp", [](const std::string& p) { savePictureBmp(Dib(4, 4, 24), p); }, true},
        {"ico", "out.ico", [](const std::string& p) { saveIcoFile(p, Dib(32, 32, 24), Dib(32, 32, 1)); }, true},
        {"gif", "out.gif",
         [](const std::string& p) {
             cGIF gif;
             gif.GlobalPaletteExists(true);
             gif.GlobalPaletteEntries(2);
             gif.FrameInsert(1, 4, 4);
             gif.Save(p);
         },
         true},
        {"ini", "Nalo.ini", [](const std::string& p) { WriteIni("S", "k", "v", p); }, false},
    };
    return all;
}

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string cli() { return "'" + appDir() + "/nalo-convert' "; }

}  // namespace

TEST(FileSafety, APlantedLinkBesideTheTargetIsNeverFollowed) {
    for (const auto& w : writers()) {
        TempDir dir, elsewhere;
        const std::string victim = elsewhere.file("victim"), out = dir.file(w.file);
        writeText(victim, "precious");
        fs::create_symlink(victim, out + ".nalo-tmp");
        w.write(out);
        EXPECT_EQ(readFile(victim), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'})) << w.name;
        EXPECT_TRUE(fs::is_symlink(out + ".nalo-tmp")) << w.name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out))) << w.name;
        EXPECT_EQ(namesIn(dir.path()).size(), 2u) << w.name;
    }
}

TEST(FileSafety, AReadOnlyTargetIsNotReplaced) {
    for (const auto& w : writers()) {
        TempDir dir;
        const std::string out = dir.file(w.file);
        writeText(out, "old");
        fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (w.raises) {
            try {
                w.write(out);
                ADD_FAILURE() << w.name << " replaced a read-only file";
            } catch (const RuntimeError& e) {
                EXPECT_EQ(e.number(), err::PermissionDenied) << w.name;
                EXPECT_NE(e.description().find(out), std::string::npos) << w.name << ": " << e.description();
            }
        } else {
            w.write(out);
        }
        EXPECT_EQ(readFile(out), std::vector<uint8_t>({'o', 'l', 'd'})) << w.name;
        EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, fs::perms(0444)) << w.name;
        EXPECT_EQ(namesIn(dir.path()).size(), 1u) << w.name;
    }
}

// Every subcommand refuses a named pipe (no writer) at once, naming it.
TEST(FileSafety, AFifoSourceFailsAtOnce) {
    TempDir dir;
    ::setenv("NALO_SYSTEM_DIR", dir.file("system").c_str(), 1);
    const std::string out = " '" + dir.file("out.x") + "'";
    const struct {
        const char* fifo;
        std::string command, after;
    } cases[] = {
        {"p.tga", "tgapcx 'TGA-->BMP'", ""},
        {"p.pcx", "tgapcx 'PCX-->TGA'", ""},
        {"p.bmp", "b2j", ""},
        {"q.bmp", "b2j --size 8x8", ""},
        {"r.bmp", "cdepth --depth 16 --method default", out},
        {"s.bmp", "ico --colours 24", out},
        {"p.avi", "avi2gif", out},
    };
    for (const auto& c : cases) {
        const std::string fifo = dir.file(c.fifo);
        if (!fs::exists(fifo)) {
            ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        }
        std::string log;
        const auto start = std::chrono::steady_clock::now();
        const int rc = runCommand("timeout 10 " + cli() + c.command + " '" + fifo + "'" + c.after, &log);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(rc, 1) << c.command << ": " << log;
        EXPECT_LT(took, std::chrono::seconds(1)) << c.command;
        EXPECT_NE(log.find(fifo), std::string::npos) << c.command << ": " << log;
    }
    ::unsetenv("NALO_SYSTEM_DIR");
}

// Past `ulimit -f` a write fails like any other: a message, exit 1, no temporary left.
TEST(FileSafety, AFileSizeLimitGivesAMessageAndNoTemporary) {
    if (!haveTool("convert")) GTEST_SKIP() << "ImageMagick missing";
    TempDir dir;
    ::setenv("NALO_SYSTEM_DIR", (dir.path() / "system").c_str(), 1);
    ::setenv("NALO_APP_DIR", appDir().c_str(), 1);
    ASSERT_TRUE(CheckComponents().ok);  // the components are in place before the limit
    ::unsetenv("NALO_APP_DIR");
    fs::create_directory(dir.file("work"));
    const std::string src = dir.file("work/noise.bmp");
    ASSERT_EQ(runCommand("convert -size 200x200 xc: +noise Random -type truecolor BMP3:'" + src + "'"), 0);
    for (const char* command : {"tgapcx 'BMP-->TGA'", "b2j"}) {
        std::string log;
        const int rc = runCommand("ulimit -f 16; " + cli() + command + " '" + src + "'", &log);
        EXPECT_EQ(rc, 1) << command << ": " << log;
        EXPECT_NE(log.find("failed: " + src), std::string::npos) << command << ": " << log;
        EXPECT_EQ(namesIn(dir.file("work")), std::vector<std::string>{"noise.bmp"}) << command;
    }
    ::unsetenv("NALO_SYSTEM_DIR");
}

// No subcommand writes over one of its own sources, nor over what an earlier source of
// the same run wrote, however the two are spelled: every file there before the run
// (the sources, and the first output) stays as it was.
TEST(FileSafety, NoOutputReplacesASourceOrAnEarlierOutput) {
    TempDir dir, system;
    ::setenv("NALO_SYSTEM_DIR", system.path().c_str(), 1);
    const std::string nc = cli(), in = "cd '" + dir.path().string() + "' && ";
    Dib picture(8, 6, 24);
    picture.fill(rgb(20, 90, 200));
    savePictureBmp(picture, dir.file("p1.bmp"));
    picture.fill(rgb(200, 30, 30));
    savePictureBmp(picture, dir.file("p2.bmp"));
    ASSERT_EQ(runCommand(in + "mkdir d && ln -s d dlink && cp p1.bmp d/x.bmp && cp p2.bmp d/x.BMP && cp p1.bmp t.tga && " +
                         nc + "bj2a v.avi p1.bmp p2.bmp && " + nc + "bj2a w.avi p2.bmp p1.bmp && " + nc +
                         "avi2gif v.avi a.gif && " + nc + "avi2gif w.avi a.GIF && cp a.gif g.gif && cp a.GIF g_001.gif && "
                         "cp v.avi f0000.bmp >/dev/null"),
              0);
    const struct {
        const char* first;  // writes the output the run must keep
        const char* run;
        const char* refused;
    } cases[] = {
        {"tgapcx bmp2tga d/x.bmp", "tgapcx bmp2tga d/x.bmp dlink/x.BMP", "dlink/x.BMP"},
        {"b2j d/x.bmp", "b2j d/x.bmp dlink/x.BMP", "dlink/x.BMP"},
        {"g2g a.gif", "g2g a.gif a.GIF", "a_001.bmp"},
        {"", "g2g --to gif g.gif g_001.gif", "g_001.gif"},
        {"", "tgapcx bmp2tga t.tga", "t.tga"},
        {"", "bj2a p1.bmp p2.bmp", "p1.bmp"},
        {"", "avi2gif v.avi v.avi", "v.avi"},
        {"", "cdepth --depth 16 --method default p1.bmp p1.bmp", "p1.bmp"},
        {"", "ico --colours 24 p1.bmp p1.bmp", "p1.bmp"},
        {"", "a2bj --name f --out . f0000.bmp", "f0000.bmp"},
    };
    for (const auto& c : cases) {
        if (*c.first) {
            ASSERT_EQ(runCommand(in + nc + c.first), 0) << c.first;
        }
        std::map<std::string, std::vector<uint8_t>> before;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file()) before[e.path().string()] = readFile(e.path().string());
        std::string log;
        EXPECT_EQ(runCommand(in + nc + c.run, &log), 1) << c.run << ": " << log;
        EXPECT_NE(log.find(std::string(c.refused) + ": "), std::string::npos) << c.run << ": " << log;
        for (const auto& [path, bytes] : before) EXPECT_EQ(readFile(path), bytes) << c.run << ": " << path;
    }
    ::unsetenv("NALO_SYSTEM_DIR");
}
