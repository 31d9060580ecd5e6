#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "shell/AppPath.h"
#include "shell/ProgramState.h"
#include "shell/RuntimeError.h"
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
    int16_t v = 5;
    LoadNumberKey("CD2MP3", "Bitrate", 9, v);
    EXPECT_EQ(v, 5) << "a value that is not a number leaves the variable";
    LoadNumberKey("CD2MP3", "Quality", 1, v);
    EXPECT_EQ(v, 2);
    LoadNumberKey("CD2MP3", "Missing", 9, v);
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
    EXPECT_EQ(LoadFolderKey("CDepth", "PIC_Getﾌｫﾙﾀﾞ"), dir.file("pics"));
    EXPECT_EQ(LoadFolderKey("CDepth", "PIC_Putﾌｫﾙﾀﾞ"), appPath());
    EXPECT_EQ(LoadFolderKey("CDepth", "nothing"), appPath());
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

TEST(ProgramState, WindowOriginSlotsAreRangeChecked) {
    RecordSlot(8, 1, 100, -20);
    EXPECT_EQ(WindowOrigin[8], (WindowPoint{100, -20}));
    RecordSlot(8, 0, 5, 5);
    EXPECT_EQ(WindowOrigin[8], (WindowPoint{0, 0}));
    EXPECT_THROW(WindowOrigin[14], RuntimeError);
    EXPECT_THROW(WindowOrigin[-1], RuntimeError);
}
