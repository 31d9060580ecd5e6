#include "shell/AppPath.h"

#include <cstdlib>
#include <filesystem>

namespace nalo {

std::string appPath() {
    if (const char* env = std::getenv("NALO_APP_DIR"); env && *env) {
        std::string p = env;
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    }
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec).string();
    return exe.parent_path().string();
}

}  // namespace nalo
