#include "cli/Subcommands.h"

namespace nalo::cli {

int runIco(const Args&) { return usageError("ico is not available in this build"); }

}  // namespace nalo::cli
