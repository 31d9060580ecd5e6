#pragma once
// Start-up check that the three components can be loaded from SystemDir, copying them
// out of the pack Nalo.dll beside the executable when one is missing.
#include <cstdint>
#include <string>

namespace nalo {

struct CheckResult {
    bool ok;
    std::string message;  // the text for the message box when !ok
};

CheckResult CheckComponents();

// The pack table: where each component lies in Nalo.dll, in copy order.
struct PackEntry {
    const char* name;
    int64_t offset;
    int64_t length;
};
inline constexpr PackEntry PackTable[3] = {
    {"Nalo2.dll", 766, 188416},
    {"Nalo1.dll", 189182, 69632},
    {"Nalo3.dll", 258814, 397312},
};

}  // namespace nalo
