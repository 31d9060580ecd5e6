#include "shell/CheckComponents.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

CheckResult CheckComponents() {
    const std::string pack = appPath() + "/Nalo.dll";
    std::ifstream in(pack, std::ios::binary);
    if (!FileExists(pack) || !in) return {false, "Nalo.dllを取得できませんでした。"};
    auto dir = locateSystemDir();
    if (!dir) return {false, "SystemDirectoryを取得できませんでした。"};
    SystemDir = *dir;

    bool all = true;
    for (const auto& r : PackTable) all = all && FileExists(SystemDir + "/" + r.name);
    if (all) return {true, ""};

    for (const auto& r : PackTable) {
        std::vector<char> bytes(r.length);
        in.clear();
        in.seekg(r.offset);
        if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
            return {false, "Nalo.dllが壊れています。(" + pack + ")"};
        const std::string target = SystemDir + "/" + r.name;
        if (!writeWhole(target, bytes)) return {false, target + "を書き込めませんでした。"};
    }
    return {true, ""};
}

}  // namespace nalo
