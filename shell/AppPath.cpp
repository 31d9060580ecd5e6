#include "shell/AppPath.h"

#include <cstdlib>
#include <filesystem>
#include <sys/statvfs.h>
#include <unistd.h>

namespace nalo {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : "";
}

// The folder may take new files: write permission on a filesystem mounted read-write.
bool writable(const std::string& folder) {
    struct statvfs fs {};
    return ::access(folder.c_str(), W_OK | X_OK) == 0 && ::statvfs(folder.c_str(), &fs) == 0 &&
           !(fs.f_flag & ST_RDONLY);
}

std::string chosen(const char* xdgVariable, const char* fallback) {
    if (!env("NALO_APP_DIR").empty()) return appPath();
    const std::string app = appPath();
    std::string folder = userFolder(app, writable(app), env(xdgVariable), env("HOME"), fallback);
    if (folder != app) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    return folder;
}

}  // namespace

std::string appPath() {
    if (const std::string e = env("NALO_APP_DIR"); !e.empty()) {
        std::string p = e;
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    }
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

std::string userFolder(const std::string& appFolder, bool appWritable, const std::string& xdgHome,
                       const std::string& home, const std::string& fallback) {
    if (appWritable) return appFolder;
    // A relative XDG value is to be ignored, as the base-directory rules say.
    const std::string base = !xdgHome.empty() && xdgHome[0] == '/' ? xdgHome : home + "/" + fallback;
    return base + "/Nalo";
}

std::string settingsFolder() { return chosen("XDG_CONFIG_HOME", ".config"); }
std::string workFolder() { return chosen("XDG_CACHE_HOME", ".cache"); }

}  // namespace nalo
