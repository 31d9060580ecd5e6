#include "shell/SystemDir.h"

#include <cstdlib>
#include <filesystem>

#include <pwd.h>
#include <unistd.h>

namespace nalo {

std::string SystemDir;

std::optional<std::string> locateSystemDir() {
    namespace fs = std::filesystem;
    fs::path dir;
    if (const char* env = std::getenv("NALO_SYSTEM_DIR"); env && *env) {
        dir = env;
    } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && xdg[0] == '/') {
        dir = fs::path(xdg) / "Nalo" / "system";
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home || !*home) return std::nullopt;
        dir = fs::path(home) / ".local" / "share" / "Nalo" / "system";
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) return std::nullopt;
    std::string s = dir.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

}  // namespace nalo
