#pragma once
#include <string>

namespace nalo {

struct CheckResult {
    bool ok;
    std::string message;
};

// Makes sure the three component libraries are in SystemDir, copying all three out
// of the pack Nalo.dll beside the executable when one is missing. When !ok, `message`
// is the text to show before the program ends.
CheckResult CheckComponents();

}  // namespace nalo
