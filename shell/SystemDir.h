#pragma once
// The component folder that stands in for the system directory.
#include <optional>
#include <string>

namespace nalo {

// $NALO_SYSTEM_DIR, else $XDG_DATA_HOME/Nalo/system, else $HOME/.local/share/Nalo/system,
// created when missing; nothing when it cannot be determined or created.
std::optional<std::string> determineSystemDir();

// SystemDir: set by CheckComponents (determined on first use when it has not run).
const std::string& SystemDir();
void setSystemDir(const std::string& dir);

}  // namespace nalo
