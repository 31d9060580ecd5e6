#include <gtest/gtest.h>

#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/FileHelpers.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

TEST(FileHelpers, PathsAndNames) {
    EXPECT_EQ(AddBackslash("/a/b  "), "/a/b/");
    EXPECT_EQ(AddBackslash("/a/"), "/a/");
    EXPECT_EQ(ParentPath("/dir/file.bmp"), "/dir");
    EXPECT_EQ(ParentPath("/file"), "/");
    EXPECT_EQ(ParentPath("file.txt"), "");
    std::string base, ext = "keep";
    SplitName("a.b.c", base, ext);
    EXPECT_EQ(base, "a");
    EXPECT_EQ(ext, "b.c");
    ext = "keep";
    SplitName("readme", base, ext);
    EXPECT_EQ(base, "readme");
    EXPECT_EQ(ext, "keep");
    EXPECT_TRUE(WildcardMatch("*.bmp", "Photo.BMP"));
    EXPECT_FALSE(WildcardMatch("*.bmp", "photo.bmpx"));
}

TEST(FileHelpers, ExistenceTests) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("Pics"));
    writeText(dir.file("f.txt"), "x");
    EXPECT_TRUE(FolderExists(dir.file("Pics")));
    EXPECT_FALSE(FolderExists(dir.file("Pic")));
    EXPECT_FALSE(FolderExists(dir.file("f.txt")));
    EXPECT_TRUE(FileExists(dir.file("f.txt")));
    EXPECT_TRUE(FileExists(dir.file("f.txt") + "/"));
    EXPECT_FALSE(FileExists(dir.file("Pics")));
    EXPECT_FALSE(FileExists(dir.file("none")));
}

TEST(FileHelpers, ListingOrderAndFilters) {
    TempDir dir;
    for (const char* n : {"b.bmp", "A.BMP", "c.bmp", "ro.bmp", ".hidden.bmp", "x.jpg", "Aa.bmp"})
        writeText(dir.file(n), "x");
    std::filesystem::create_directory(dir.file("d.bmp"));
    ::chmod(dir.file("ro.bmp").c_str(), 0444);
    std::vector<std::string> names;
    for (const auto& p : ListFolder(dir.path().string(), "*.bmp")) names.push_back(FileNameOf(p));
    EXPECT_EQ(names, (std::vector<std::string>{"A.BMP", "Aa.bmp", "b.bmp", "c.bmp", "ro.bmp"}));
    std::vector<std::string> archive;
    CollectFiles(dir.path().string() + "/*.bmp", AttrArchive, archive);
    EXPECT_TRUE(archive.empty());
}

TEST(FileHelpers, FolderOfMoreThan32767Files) {
    TempDir dir;
    for (int i = 0; i < 33000; ++i) ::close(::creat(dir.file("f" + std::to_string(i) + ".bmp").c_str(), 0644));
    EXPECT_EQ(ListFolder(dir.path().string(), "*.BMP").size(), 33000u);
}

TEST(FileHelpers, UnreadableFolderReportsOnce) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    TempDir locked;
    ::chmod(locked.path().c_str(), 0);
    int errors = 0;
    ListingHooks hooks;
    hooks.onError = [&](const RuntimeError&) { ++errors; };
    EXPECT_TRUE(ListFolder(locked.path().string(), "*.bmp", hooks).empty());
    ::chmod(locked.path().c_str(), 0755);
    EXPECT_EQ(errors, 1);
}
