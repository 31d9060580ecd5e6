#include "shell/CheckComponents.h"

#include <cstring>
#include <fstream>
#include <vector>

#include <sys/stat.h>

#include "platform/FileBytes.h"
#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/RuntimeError.h"
#include "shell/SystemDir.h"

namespace nalo {
namespace {

struct PackRange {
    const char* name;
    std::streamoff offset;
    size_t length;
};

// The pack's layout, in copy order.
constexpr PackRange PackTable[] = {
    {"Nalo2.dll", 766, 188416},
    {"Nalo1.dll", 189182, 69632},
    {"Nalo3.dll", 258814, 397312},
};

bool writeWhole(const std::string& target, const std::vector<char>& bytes) {
    // The target is replaced whole: never shorter, never mixed with an older file.
    try {
        AtomicFileWriter out(target, "CheckComponents", 0755);
        out.write(bytes.data(), bytes.size());
        out.commit();
    } catch (const RuntimeError&) {
        return false;
    }
    return true;
}

// True when `target` is a regular file holding exactly `bytes`: a component cut
// short, grown or changed is not.
bool holds(const std::string& target, const std::vector<char>& bytes) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) != bytes.size())
        return false;
    try {
        const FileBuffer found = readFileBytes(target, "CheckComponents");
        return found.size() == bytes.size() && std::memcmp(found.data(), bytes.data(), bytes.size()) == 0;
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace

CheckResult CheckComponents() {
    const std::string pack = appPath() + "/Nalo.dll";
    std::ifstream in(pack, std::ios::binary);
    if (!FileExists(pack) || !in) return {false, "Nalo.dllを取得できませんでした。"};
    auto dir = locateSystemDir();
    if (!dir) return {false, "SystemDirectoryを取得できませんでした。"};
    SystemDir = *dir;

    std::vector<std::vector<char>> components;
    for (const auto& r : PackTable) {
        std::vector<char>& bytes = components.emplace_back(r.length);
        in.seekg(r.offset);
        if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            return {false, "Nalo.dllが壊れています。(" + pack + ")"};
    }
    bool all = true;
    for (size_t i = 0; i < components.size() && all; ++i)
        all = holds(SystemDir + "/" + PackTable[i].name, components[i]);
    if (all) return {true, ""};

    for (size_t i = 0; i < components.size(); ++i) {
        const std::string target = SystemDir + "/" + PackTable[i].name;
        if (!writeWhole(target, components[i])) return {false, target + "を書き込めませんでした。"};
    }
    return {true, ""};
}

}  // namespace nalo
