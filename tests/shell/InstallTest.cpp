// Where an installed program keeps its files, and what `cmake --install` lays out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "shell/AppPath.h"
#include "support/TestSupport.h"

using namespace nalo;
using namespace nalo::test;

TEST(UserFolders, PortableFolderWhenWritableElseTheXdgFolders) {
    struct Case {
        bool writable;
        const char* xdg;
        const char* expected;
    } cases[] = {
        {true, "/x/config", "/opt/app"},
        {false, "/x/config", "/x/config/Nalo"},
        {false, "", "/home/u/.config/Nalo"},
        {false, "relative/ignored", "/home/u/.config/Nalo"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(userFolder("/opt/app", c.writable, c.xdg, "/home/u", ".config"), c.expected) << c.xdg;

    // NALO_APP_DIR still decides everything.
    TempDir dir;
    ::setenv("NALO_APP_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(settingsFolder(), dir.path().string());
    EXPECT_EQ(workFolder(), dir.path().string());
    ::unsetenv("NALO_APP_DIR");
}

TEST(Install, PrefixHoldsTheProgramsTheirLinksTheEntryAndTheIcons) {
    const std::filesystem::path build = std::filesystem::path(appDir()).parent_path();
    if (!std::filesystem::exists(build / "app" / "nalo")) GTEST_SKIP() << "window layer not built";
    TempDir prefix;
    std::string out;
    ASSERT_EQ(runCommand("cmake --install '" + build.string() + "' --prefix '" + prefix.path().string() + "'", &out), 0)
        << out;
    for (const char* file : {"lib/nalo/nalo", "lib/nalo/nalo-convert", "lib/nalo/Nalo.dll", "lib/nalo/Readme.htm",
                             "bin/nalo", "bin/nalo-convert", "share/applications/nalo.desktop",
                             "share/doc/Nalo/nalo-convert.txt", "share/icons/hicolor/16x16/apps/nalo.png",
                             "share/icons/hicolor/48x48/apps/nalo.png", "share/icons/hicolor/256x256/apps/nalo.png"})
        EXPECT_TRUE(std::filesystem::exists(prefix.path() / file)) << file;
    const std::string bin = (prefix.path() / "bin").string();
    for (const char* program : {"nalo", "nalo-convert"}) {
        out.clear();
        EXPECT_EQ(runCommand("'" + bin + "/" + program + "' --version", &out), 0);
        EXPECT_EQ(out, std::string(program) + " " + NALO_VERSION + "\n");
    }
    if (haveTool("desktop-file-validate")) {
        out.clear();
        const std::string entry = (prefix.path() / "share/applications/nalo.desktop").string();
        EXPECT_EQ(runCommand("desktop-file-validate '" + entry + "'", &out), 0) << out;
    }
}
