#include "fuzz/FuzzSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/PictureBudget.h"
#include "shell/RuntimeError.h"

namespace nalo::fuzz {

namespace {
volatile uint8_t touchSink;
}  // namespace

void touch(const void* bytes, size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + p[i]);
    touchSink = static_cast<uint8_t>(touchSink + sum);
}

void requireWithinBudget(int width, int height) {
    require(FitsPictureBudget(width, height), "a picture beyond the picture budget was decoded");
}

void runInput(EntryPoint entry, Input input) {
    try {
        entry(input);
    } catch (const RuntimeError&) {
    }
}

const std::string& scratchFolder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/nalo-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

std::string scratchFile(const std::string& name, Input bytes) {
    const std::string path = scratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
    return path;
}

}  // namespace nalo::fuzz
