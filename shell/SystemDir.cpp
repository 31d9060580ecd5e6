#include "shell/SystemDir.h"

#include <cstdlib>
#include <filesystem>

namespace nalo {

namespace {
// The one program-wide copy of the component folder.
std::string systemDir;
}  // namespace

std::optional<std::string> determineSystemDir() {
    std::string dir;
    if (const char* env = std::getenv("NALO_SYSTEM_DIR"); env && *env) {
        dir = env;
    } else if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        dir = std::string(data) + "/Nalo/system";
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = std::string(home) + "/.local/share/Nalo/system";
    } else {
        return std::nullopt;
    }
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) return std::nullopt;
    return dir;
}

const std::string& SystemDir() {
    if (systemDir.empty())
        if (auto d = determineSystemDir()) systemDir = *d;
    return systemDir;
}

void setSystemDir(const std::string& dir) { systemDir = dir; }

}  // namespace nalo
