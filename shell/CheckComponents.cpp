#include "shell/CheckComponents.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
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
    std::string temp = target + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    ::fchmod(fd, 0755);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    bool ok = done == bytes.size() && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    // The target is replaced whole: never shorter, never mixed with an older file.
    if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
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
