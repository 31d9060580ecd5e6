// Replays every kept fuzz input — the seed corpus and every finding — through the
// entry points the fuzz targets run, so that fixed findings stay fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fuzz/FuzzSupport.h"
#include "support/TestSupport.h"

namespace nalo::fuzz {
namespace {

struct Target {
    const char* name;
    EntryPoint entry;
};
constexpr Target kTargets[] = {
    {"pcx", FuzzPcx},           {"tga", FuzzTga},         {"bmp", FuzzBmp},           {"picture", FuzzPicture},
    {"gifsplit", FuzzGifSplit}, {"avi", FuzzAvi},         {"settings", FuzzSettings}, {"cdimage", FuzzCdImage},
    {"giflzw", FuzzGifLzw},     {"onegif", FuzzOneFrameGif}, {"png", FuzzPng},    {"webp", FuzzWebp},
    {"tiff", FuzzTiff},
};

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

class Replay : public testing::TestWithParam<Target> {};

TEST_P(Replay, CorpusAndRegressions) {
    const Target& t = GetParam();
    const std::filesystem::path root = test::sourceDir() + "/tests/fuzz";
    const auto seeds = filesIn(root / "corpus" / t.name);
    EXPECT_FALSE(seeds.empty()) << "no seed corpus for " << t.name;
    auto files = seeds;
    const auto found = filesIn(root / "regressions" / t.name);
    files.insert(files.end(), found.begin(), found.end());
    for (const auto& path : files) {
        const auto bytes = test::readFile(path.string());
        try {
            runInput(t.entry, bytes);
        } catch (const std::exception& e) {
            ADD_FAILURE() << path.string() << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Replay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nalo::fuzz
