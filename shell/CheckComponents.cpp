#include "shell/CheckComponents.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <unistd.h>
#include <vector>

#include "shell/AppPath.h"
#include "shell/FileHelpers.h"
#include "shell/SystemDir.h"

namespace nalo {

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool readRange(const std::string& pack, int64_t offset, std::vector<uint8_t>& buf) {
    Fd in{::open(pack.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0) return false;
    size_t done = 0;
    while (done < buf.size()) {
        ssize_t n = ::pread(in.fd, buf.data() + done, buf.size() - done, offset + static_cast<off_t>(done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes the whole target under a temporary name and renames it over the old file.
bool writeWhole(const std::string& target, const std::vector<uint8_t>& buf) {
    std::string tmp = target + ".XXXXXX";
    Fd out{::mkstemp(tmp.data())};
    if (out.fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < buf.size()) {
        ssize_t n = ::write(out.fd, buf.data() + done, buf.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    ok = ok && ::fchmod(out.fd, 0755) == 0 && ::fsync(out.fd) == 0;
    ok = ::close(out.fd) == 0 && ok;
    out.fd = -1;
    ok = ok && ::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

}  // namespace

CheckResult CheckComponents() {
    const std::string pack = appPath() + "/Nalo.dll";
    if (!FileExists(pack)) return {false, "Nalo.dllを取得できませんでした。"};
    const auto dir = determineSystemDir();
    if (!dir) return {false, "SystemDirectoryを取得できませんでした。"};
    setSystemDir(*dir);
    bool all = true;
    for (const auto& e : PackTable) all = all && FileExists(*dir + "/" + e.name);
    if (all) return {true, {}};
    for (const auto& e : PackTable) {
        std::vector<uint8_t> buf(static_cast<size_t>(e.length));
        if (!readRange(pack, e.offset, buf)) return {false, "Nalo.dllを取得できませんでした。"};
        const std::string target = *dir + "/" + e.name;
        if (!writeWhole(target, buf)) return {false, target + " を書き込めませんでした。"};
    }
    return {true, {}};
}

}  // namespace nalo
