#pragma once
#include <string>

namespace nalo {

// The application path: the folder of the running executable, without a trailing "/".
// The environment variable NALO_APP_DIR overrides it (tests, portable installs).
std::string appPath();

// The application title, used as message-box caption.
inline constexpr const char* AppTitle = "Nalo";

}  // namespace nalo
