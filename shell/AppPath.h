#pragma once
#include <string>

namespace nalo {

// The application path: the folder of the running executable, without a trailing "/".
// The environment variable NALO_APP_DIR overrides it (tests, portable installs).
std::string appPath();

// Where Nalo.ini lives: NALO_APP_DIR when set; else the application path when the
// program may write there (a portable folder); else $XDG_CONFIG_HOME/Nalo (an
// installed prefix). The folder is created when missing.
std::string settingsFolder();

// Where the temporary working pictures live: as settingsFolder(), with
// $XDG_CACHE_HOME/Nalo for an installed prefix.
std::string workFolder();

// The rule of both: `appFolder` when `appWritable`, else `xdgHome` (or `home` +
// "/" + `fallback` when that is empty) + "/Nalo".
std::string userFolder(const std::string& appFolder, bool appWritable, const std::string& xdgHome,
                       const std::string& home, const std::string& fallback);

// The application title, used as message-box caption.
inline constexpr const char* AppTitle = "Nalo";

}  // namespace nalo
