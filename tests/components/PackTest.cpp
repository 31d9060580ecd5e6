#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include "shell/CheckComponents.h"
#include "shell/SystemDir.h"
#include "support/TestSupport.h"

using namespace nalo;
using nalo::test::TempDir;

namespace {

struct Slot {
    const char* name;
    size_t offset, length;
};
constexpr Slot Slots[] = {{"Nalo2.dll", 766, 188416}, {"Nalo1.dll", 189182, 69632}, {"Nalo3.dll", 258814, 397312}};

class Pack : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("NALO_APP_DIR", test::appDir().c_str(), 1);
        ::setenv("NALO_SYSTEM_DIR", sys.path().c_str(), 1);
        pack = test::readFile(test::appDir() + "/Nalo.dll");
    }
    std::vector<uint8_t> slot(const Slot& s) const {
        return {pack.begin() + static_cast<long>(s.offset), pack.begin() + static_cast<long>(s.offset + s.length)};
    }
    TempDir sys;
    std::vector<uint8_t> pack;
};

TEST_F(Pack, LayoutHoldsEachComponentAtItsSlot) {
    ASSERT_EQ(pack.size(), 656126u);
    for (const Slot& s : Slots) {
        auto built = test::readFile(test::appDir() + "/../components/" + s.name);
        ASSERT_LE(built.size(), s.length);
        auto range = slot(s);
        EXPECT_TRUE(std::equal(built.begin(), built.end(), range.begin())) << s.name;
        EXPECT_TRUE(std::all_of(range.begin() + static_cast<long>(built.size()), range.end(),
                                [](uint8_t b) { return b == 0; }));
    }
}

TEST_F(Pack, CopiesAllThreeWhenOneIsMissingAndReplacesLongerTargetsWhole) {
    test::writeFile(sys.file("Nalo1.dll"), std::vector<uint8_t>(500000, 0xAB));  // longer than its slot
    auto r = CheckComponents();
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(SystemDir, sys.path().string());
    for (const Slot& s : Slots) EXPECT_EQ(test::readFile(sys.file(s.name)), slot(s)) << s.name;
}

// Components matching their slots are left alone; one cut short or changed is copied again.
TEST_F(Pack, ADamagedComponentIsCopiedAgainAndMatchingOnesStay) {
    const auto inode = [&](const char* name) {
        struct stat st {};
        return ::stat(sys.file(name).c_str(), &st) == 0 ? st.st_ino : 0;
    };
    ASSERT_TRUE(CheckComponents().ok);
    const auto first = inode("Nalo2.dll");
    ASSERT_TRUE(CheckComponents().ok);
    EXPECT_EQ(inode("Nalo2.dll"), first);
    const std::function<void(std::vector<uint8_t>&)> damages[] = {
        [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); },
        [](std::vector<uint8_t>& b) { b[b.size() / 3] ^= 1; },
    };
    for (const auto& damage : damages) {
        auto bytes = slot(Slots[1]);
        damage(bytes);
        test::writeFile(sys.file("Nalo1.dll"), bytes);
        ASSERT_TRUE(CheckComponents().ok);
        EXPECT_EQ(test::readFile(sys.file("Nalo1.dll")), slot(Slots[1]));
    }
}

TEST_F(Pack, MissingPackOrUnwritableFolderStopsStartUp) {
    TempDir empty;
    ::setenv("NALO_APP_DIR", empty.path().c_str(), 1);
    EXPECT_EQ(CheckComponents().message, "Nalo.dllを取得できませんでした。");
    ::setenv("NALO_APP_DIR", test::appDir().c_str(), 1);
    test::writeText(sys.file("blocker"), "x");
    ::setenv("NALO_SYSTEM_DIR", sys.file("blocker").c_str(), 1);
    EXPECT_EQ(CheckComponents().message, "SystemDirectoryを取得できませんでした。");
}

}  // namespace
