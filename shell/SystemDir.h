#pragma once
#include <optional>
#include <string>

namespace nalo {

// The component folder, set once by CheckComponents; read by the audio-CD tool.
extern std::string SystemDir;

// Locates the component folder and creates it when missing: $NALO_SYSTEM_DIR, else
// $XDG_DATA_HOME/Nalo/system, else ~/.local/share/Nalo/system. Empty when it cannot
// be determined or created.
std::optional<std::string> locateSystemDir();

}  // namespace nalo
