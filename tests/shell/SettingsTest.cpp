#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "shell/AppPath.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
#include "shell/IniDocument.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("NALO_APP_DIR", dir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("NALO_APP_DIR"); }
    std::string ini() const { return dir.file("Nalo.ini"); }
    TempDir dir;
};

}  // namespace

TEST_F(Settings, MissingFileReadsEmptyAndTheFirstWriteCreatesIt) {
    EXPECT_EQ(IniPath(), ini());
    EXPECT_EQ(ReadIni("B2J", "圧縮率", ini()), "");
    SaveNumberKey("B2J", "圧縮率", 20);
    SaveNumberKey("B2J", "上書き", -1);
    EXPECT_EQ(ReadIni("B2J", "圧縮率", ini()), "20");
    auto text = readFile(ini());
    std::string s(text.begin(), text.end());
    EXPECT_NE(s.find("圧縮率= 20"), std::string::npos) << s;
    EXPECT_NE(s.find("上書き=-1"), std::string::npos) << s;
}

TEST_F(Settings, NumbersReadAsFloorIn16Bits) {
    EXPECT_EQ(ParseIniNumber("2.7"), 2);
    EXPECT_EQ(ParseIniNumber("-0.5"), -1);
    EXPECT_EQ(ParseIniNumber(" 20"), 20);
    EXPECT_FALSE(ParseIniNumber("abc").has_value());
    EXPECT_FALSE(ParseIniNumber("40000").has_value());
    EXPECT_EQ(FormatIniNumber(0), " 0");
    writeText(ini(), "[CD2MP3]\nBitrate=x\nQuality=2.7\n");
    const IniDocument doc = IniDocument::read(ini());
    int16_t v = 5;
    LoadNumberKey(doc, "CD2MP3", "Bitrate", 9, v);
    EXPECT_EQ(v, 5) << "a value that is not a number leaves the variable";
    LoadNumberKey(doc, "CD2MP3", "Quality", 1, v);
    EXPECT_EQ(v, 2);
    LoadNumberKey(doc, "CD2MP3", "Missing", 9, v);
    EXPECT_EQ(v, 9);
}

TEST_F(Settings, NamesMatchWithoutCaseAndOtherLinesSurviveAWrite) {
    writeText(ini(), "; my notes\n[Other]\nkeep=1\n\n[tgapcx]\nGETﾌｫﾙﾀﾞ=/old\n; trailing comment\n[Last]\nz=9\n");
    EXPECT_EQ(ReadIni("TGAPCX", "getﾌｫﾙﾀﾞ", ini()), "/old");
    WriteIni("TGAPCX", "GETﾌｫﾙﾀﾞ", "/new", ini());
    WriteIni("TGAPCX", "種類", " 3", ini());
    auto bytes = readFile(ini());
    std::string s(bytes.begin(), bytes.end());
    EXPECT_NE(s.find("; my notes\n[Other]\nkeep=1\n"), std::string::npos) << s;
    EXPECT_NE(s.find("; trailing comment"), std::string::npos) << s;
    EXPECT_NE(s.find("[Last]\nz=9"), std::string::npos) << s;
    EXPECT_EQ(ReadIni("TGAPCX", "GETﾌｫﾙﾀﾞ", ini()), "/new");
    EXPECT_EQ(ReadIni("TGAPCX", "種類", ini()), "3");
    EXPECT_EQ(ReadIni("Other", "keep", ini()), "1");
}

TEST_F(Settings, FolderKeysFallBackToTheApplicationPath) {
    std::filesystem::create_directory(dir.file("pics"));
    WriteIni("CDepth", "PIC_Getﾌｫﾙﾀﾞ", dir.file("pics"), ini());
    WriteIni("CDepth", "PIC_Putﾌｫﾙﾀﾞ", dir.file("deleted"), ini());
    const IniDocument doc = IniDocument::read(IniPath());
    EXPECT_EQ(LoadFolderKey(doc, "CDepth", "PIC_Getﾌｫﾙﾀﾞ"), dir.file("pics"));
    EXPECT_EQ(LoadFolderKey(doc, "CDepth", "PIC_Putﾌｫﾙﾀﾞ"), appPath());
    EXPECT_EQ(LoadFolderKey(doc, "CDepth", "nothing"), appPath());
}

TEST_F(Settings, ShiftJisFileIsReadAndLongValuesAreCut) {
    // "[B2J]\n圧縮率=80\n" in Shift_JIS.
    std::vector<uint8_t> sjis = {'[', 'B', '2', 'J', ']', '\n', 0x88, 0xB3, 0x8F, 0x6B, 0x97, 0xA6, '=', '8', '0', '\n'};
    writeFile(ini(), sjis);
    EXPECT_EQ(ReadIni("B2J", "圧縮率", ini()), "80");
    writeText(ini(), "[S]\nk=" + std::string(300, 'a') + "\n");
    EXPECT_EQ(ReadIni("S", "k", ini()).size(), 255u);
}

TEST_F(Settings, ReadOnlyFileLosesTheWriteWithoutDamage) {
    writeText(ini(), "[A]\nk=1\n");
    ::chmod(ini().c_str(), 0444);
    WriteIni("A", "k", "2", ini());
    auto bytes = readFile(ini());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "[A]\nk=1\n");
    EXPECT_EQ(ReadIni("A", "k", ini()), "1");
}

// Writing one key leaves every other byte of the file as it was, and never writes
// through a link or into a file too large to read.
TEST_F(Settings, AWriteChangesOnlyItsOwnLine) {
    const std::string sjisRate = "\x88\xB3\x8F\x6B\x97\xA6", sjisOverwrite = "\x8F\xE3\x8F\x91\x82\xAB";
    const std::string big = "[A]\nk=1\n" + std::string(1100 * 1024, '\n');
    struct Case {
        const char* name;
        std::string before;
        bool link;  // Nalo.ini is a link to a file holding `before`
        const char *section, *key;  // written with "2"
        std::string after;          // the file afterwards; the link's target keeps `before`
        const char *readKey, *readValue;
    } cases[] = {
        {"CR CR LF", "[A]\nx=keep\r\r\nk=1\n", false, "A", "k", "[A]\nx=keep\r\r\nk=2\n", "x", "keep"},
        {"Shift_JIS", "[B2J]\n" + sjisRate + "=80\nx=\xFD\xA0\n", false, "B2J", "上書き",
         "[B2J]\n" + sjisRate + "=80\nx=\xFD\xA0\n" + sjisOverwrite + "=2\n", "圧縮率", "80"},
        {"over 1 MB: left alone, defaults used", big, false, "A", "k", big, "k", ""},
        {"link", "[A]\nk=1\nsecret=1\n", true, "A", "k", "[A]\nk=2\n", "secret", ""},
    };
    for (const auto& c : cases) {
        TempDir elsewhere;
        std::filesystem::remove(ini());
        if (c.link) {
            writeText(elsewhere.file("target"), c.before);
            std::filesystem::create_symlink(elsewhere.file("target"), ini());
        } else {
            writeText(ini(), c.before);
        }
        WriteIni(c.section, c.key, "2", ini());
        auto bytes = readFile(ini());
        const std::string got(bytes.begin(), bytes.end());
        EXPECT_TRUE(got == c.after) << c.name << ": " << (got.size() < 200 ? got : std::to_string(got.size()) + " bytes");
        EXPECT_EQ(ReadIni(c.section, c.readKey, ini()), c.readValue) << c.name;
        if (c.link) {
            EXPECT_FALSE(std::filesystem::is_symlink(ini())) << c.name;
            bytes = readFile(elsewhere.file("target"));
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.before) << c.name;
        }
    }
}

TEST(ProgramState, WindowOriginSlotsAreRangeChecked) {
    RecordSlot(8, 1, 100, -20);
    EXPECT_EQ(WindowOrigin[8], (WindowPoint{100, -20}));
    RecordSlot(8, 0, 5, 5);
    EXPECT_EQ(WindowOrigin[8], (WindowPoint{0, 0}));
    EXPECT_THROW(WindowOrigin[14], RuntimeError);
    EXPECT_THROW(WindowOrigin[-1], RuntimeError);
}
