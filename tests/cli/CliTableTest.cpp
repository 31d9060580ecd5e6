// nalo-convert's command line, one table over the subcommands: help, "--", the
// same-file refusal, JSON results, -j and the progress line.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/Dib.h"
#include "platform/PictureIo.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;
namespace fs = std::filesystem;

namespace {

struct Tool {
    const char* name;
    std::vector<const char*> options;  // named by --help
    const char* dashRun;               // converts ./-x.bmp given after "--" ("" when it takes no picture)
    const char* written;               // what that run writes
};

const Tool Tools[] = {
    {"tgapcx", {"--out", "--skip", "--no-clobber", "--jobs", "--quiet", "--json", "bmp2tga"}, "bmp2tga -- -x.bmp", "-x.tga"},
    {"b2j", {"--quality", "--size", "--out", "--skip", "--jobs", "--quiet", "--json"}, "-- -x.bmp", "-x.jpg"},
    {"cdepth", {"--depth", "--method", "--palette", "--out", "--skip", "--quiet", "--json"},
     "--depth 16 -- -x.bmp o.bmp", "o.bmp"},
    {"ico", {"--colours", "--shrink", "--prepare", "--region", "--transparent", "--transparent-at", "--out", "--skip",
             "--quiet", "--json"},
     "--colours 8 -o o.ico -- -x.bmp", "o.ico"},
    {"avi2gif", {"--transparent", "--transparent-at", "--optimize", "--fps", "--width", "--height", "--start", "--end",
                 "--loop", "--palette", "--out", "--skip", "--quiet", "--json"}, "", ""},
    {"bj2a", {"--fps", "--size", "--codec", "--quality", "--out", "--skip", "--quiet", "--json"},
     "-o o.avi -- -x.bmp -x.bmp", "o.avi"},
    {"g2g", {"--to", "--transparent", "--out", "--skip", "--jobs", "--quiet", "--json"}, "", ""},
    {"a2bj", {"--from", "--to", "--every", "--size", "--name", "--out", "--skip", "--quiet", "--json"}, "", ""},
    {"cd2mp3", {"--list", "--drive", "--image", "--tracks", "--to", "--bitrate", "--quality", "--out", "--skip",
                "--quiet", "--json"},
     "", ""},
};

struct CliTable : ::testing::Test {
    TempDir dir, system;
    std::string nc;
    void SetUp() override {
        nc = "cd '" + dir.path().string() + "' && NALO_APP_DIR='" + appDir() + "' NALO_SYSTEM_DIR='" +
             system.path().string() + "' '" + appDir() + "/nalo-convert' ";
        for (int i = 0; i < 4; ++i) {
            Dib p(40 + i, 30, 24);
            p.fill(rgb(uint8_t(40 * i), 90, 200));
            savePictureBmp(p, dir.file("p" + std::to_string(i) + ".bmp"));
        }
        fs::copy_file(dir.file("p0.bmp"), dir.file("-x.bmp"));
        writeText(dir.file("bad.bmp"), "BM not a picture");
    }
    // Standard output alone, and the exit status.
    std::string out(const std::string& args, int* rc = nullptr) {
        std::string text;
        const int r = runCommand("(" + nc + args + " 2>/dev/null)", &text);
        if (rc) *rc = r;
        return text;
    }
    std::vector<uint8_t> bytes(const std::string& name) { return readFile(dir.file(name)); }
};

}  // namespace

TEST_F(CliTable, HelpNamesEveryOptionAndDashEndsOptions) {
    for (const Tool& t : Tools) {
        SCOPED_TRACE(t.name);
        int rc = -1;
        const std::string help = out(std::string(t.name) + " --help", &rc);
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(out(std::string("help ") + t.name), help);
        for (const char* o : t.options) EXPECT_NE(help.find(o), std::string::npos) << o;
        if (!*t.dashRun) continue;
        const std::string log = out(std::string(t.name) + " " + t.dashRun, &rc);
        EXPECT_EQ(rc, 0) << log;
        EXPECT_TRUE(fs::exists(dir.file(t.written))) << log;
        fs::remove(dir.file(t.written));
    }
    EXPECT_EQ(runCommand(nc + "cdepth --depth 16 p0.bmp -"), 2) << "no file named -";
    EXPECT_FALSE(fs::exists(dir.file("-")));
}

TEST_F(CliTable, AnOutputThatIsTheSourceIsRefusedAndKept) {
    const auto before = bytes("p1.bmp");
    for (const char* run : {"cdepth --depth 16 -o p1.bmp p1.bmp", "ico --colours 24 p1.bmp ./p1.bmp",
                            "avi2gif p1.bmp p1.bmp", "cdepth --depth bw --json p1.bmp p1.bmp"}) {
        SCOPED_TRACE(run);
        std::string log;
        EXPECT_EQ(runCommand(nc + run, &log), 1);
        EXPECT_NE(log.find("p1.bmp"), std::string::npos) << log;
        EXPECT_EQ(bytes("p1.bmp"), before);
    }
}

// One failing file in the middle; -j 2 prints and writes what -j 1 does.
TEST_F(CliTable, JsonResultsAgreeWithTheDiskAndJobsKeepTheOrder) {
    const struct {
        std::string args;
        std::vector<std::string> outputs;  // in result order, "" for the failure
    } runs[] = {
        {"tgapcx bmp2tga p0.bmp p1.bmp bad.bmp p2.bmp p3.bmp", {"p0.tga", "p1.tga", "", "p2.tga", "p3.tga"}},
        {"b2j --quality 80 p0.bmp bad.bmp p1.bmp p2.bmp", {"p0.jpg", "", "p1.jpg", "p2.jpg"}},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.args);
        int rc = -1;
        const std::string json = out(r.args + " --json", &rc);
        EXPECT_EQ(rc, 1);
        std::istringstream lines(json);
        std::string line;
        size_t i = 0;
        std::map<std::string, std::vector<uint8_t>> written;
        while (std::getline(lines, line)) {
            const auto j = nlohmann::json::parse(line);
            if (j.contains("summary")) {
                EXPECT_EQ(i, r.outputs.size());
                EXPECT_EQ(j["summary"]["failed"], 1);
                EXPECT_EQ(j["summary"]["written"], int(r.outputs.size()) - 1);
                continue;
            }
            ASSERT_LT(i, r.outputs.size()) << line;
            const std::string& want = r.outputs[i++];
            EXPECT_EQ(j["outcome"], want.empty() ? "failed" : "written") << line;
            if (want.empty()) {
                EXPECT_EQ(j["source"], "bad.bmp");
                EXPECT_NE(j["reason"], "");
                continue;
            }
            EXPECT_EQ(j["output"], want);
            EXPECT_EQ(j["bytes"], fs::file_size(dir.file(want))) << line;
            written[want] = bytes(want);
            fs::remove(dir.file(want));
        }
        EXPECT_EQ(i, r.outputs.size());
        const std::string one = out(r.args + " -j 1", &rc);
        EXPECT_EQ(rc, 1);
        for (auto& [name, b] : written) fs::remove(dir.file(name));
        std::string both;
        EXPECT_EQ(runCommand(nc + r.args + " -j 2", &both), 1);
        for (const auto& [name, b] : written) EXPECT_EQ(bytes(name), b) << name;
        const std::string two = out(r.args + " -j 0");
        EXPECT_EQ(two, one);
        EXPECT_NE(both.find("failed: bad.bmp: "), std::string::npos) << both;
    }
}

TEST_F(CliTable, ProgressLineOnlyOnATerminal) {
    if (!haveTool("script")) GTEST_SKIP() << "script missing";
    const std::string run = "tgapcx bmp2pcx p0.bmp p1.bmp p2.bmp";
    std::string text;
    ASSERT_EQ(runCommand("script -qec \"" + nc + run + "\" /dev/null", &text), 0) << text;
    EXPECT_NE(text.find("/3 files"), std::string::npos) << text;
    text.clear();
    ASSERT_EQ(runCommand(nc + run, &text), 0);
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    text.clear();
    ASSERT_EQ(runCommand("script -qec \"" + nc + run + " -q\" /dev/null", &text), 0);
    EXPECT_EQ(text, "") << "--quiet: no progress, no written lines";
}
