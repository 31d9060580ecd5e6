#include <gtest/gtest.h>
#include <sys/stat.h>

#include "shell/FileHelpers.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace nalo;

TEST(Settings, NumbersFloorInto16BitsAndBadTextLeavesVariable) {
    EXPECT_EQ(ParseIniNumber("2.7"), 2);
    EXPECT_EQ(ParseIniNumber("-0.5"), -1);
    EXPECT_EQ(ParseIniNumber(" 20"), 20);
    EXPECT_FALSE(ParseIniNumber("abc"));
    EXPECT_FALSE(ParseIniNumber("40000"));
    EXPECT_EQ(FormatIniNumber(20), " 20");
    EXPECT_EQ(FormatIniNumber(-1), "-1");
}

TEST(Settings, HandEditedFileSurvivesWriteAndNamesIgnoreCase) {
    test::TempDir dir;
    std::string ini = dir.file("Nalo.ini");
    test::writeText(ini, "; comment\n[Other]\nx=1\n\n[b2j]\n圧縮率= 30\n");
    WriteIni("B2J", "上書き", " 1", ini);
    WriteIni("TGAPCX", "種類", " 3", ini);
    EXPECT_EQ(ReadIni("B2J", "圧縮率", ini), "30");
    EXPECT_EQ(ReadIni("b2J", "上書き", ini), "1");
    EXPECT_EQ(ReadIni("other", "X", ini), "1");
    auto bytes = test::readFile(ini);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("; comment\n[Other]\nx=1\n", 0), 0u);
    EXPECT_EQ(ReadIni("none", "x", dir.file("missing.ini")), "");
}

TEST(Settings, ShiftJisInputAndReadOnlyFileUntouched) {
    test::TempDir dir;
    std::string ini = dir.file("Nalo.ini");
    // "[TGAPCX]\n種類=2" in CP932 (種類 = 8E ED 97 DE)
    test::writeFile(ini, {'[', 'T', 'G', 'A', 'P', 'C', 'X', ']', '\n', 0x8E, 0xED, 0x97, 0xDE, '=', '2', '\n'});
    EXPECT_EQ(ReadIni("TGAPCX", "種類", ini), "2");
    ::chmod(ini.c_str(), 0444);
    auto before = test::readFile(ini);
    WriteIni("TGAPCX", "種類", " 5", ini);
    EXPECT_EQ(test::readFile(ini), before);
}

TEST(FileHelpers, PathsAndNames) {
    EXPECT_EQ(ParentPath("/dir/file.bmp"), "/dir");
    EXPECT_EQ(ParentPath("/file"), "/");
    EXPECT_EQ(ParentPath("file.txt"), "");
    EXPECT_EQ(AddBackslash("/a  "), "/a/");
    std::string b, e = "keep";
    SplitName("readme", b, e);
    EXPECT_EQ(b, "readme");
    EXPECT_EQ(e, "keep");
    SplitName("a.b.c", b, e);
    EXPECT_EQ(b, "a");
    EXPECT_EQ(e, "b.c");
}

TEST(FileHelpers, ListingOrderFiltersAndAttributes) {
    test::TempDir dir;
    test::writeText(dir.file("b.bmp"), "x");
    test::writeText(dir.file("Photo.BMP"), "x");
    test::writeText(dir.file("a.BMP"), "x");
    test::writeText(dir.file(".hidden.bmp"), "x");
    test::writeText(dir.file("ro.bmp"), "x");
    ::chmod(dir.file("ro.bmp").c_str(), 0444);
    std::filesystem::create_directory(dir.path() / "sub.bmp");
    auto list = ListFolder(dir.path().string(), "*.bmp");
    std::vector<std::string> names;
    for (auto& p : list) names.push_back(FileNameOf(p));
    EXPECT_EQ(names, (std::vector<std::string>{"a.BMP", "b.bmp", "Photo.BMP", "ro.bmp"}));
    EXPECT_TRUE(FileExists(dir.file("b.bmp")));
    EXPECT_FALSE(FileExists(dir.path().string()));
    EXPECT_FALSE(FolderExists(dir.path().string() + "x"));
}
