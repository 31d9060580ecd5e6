#include "cli/Subcommands.h"

namespace nalo::cli {

int runCDepth(const Args&) { return usageError("cdepth is not available in this build"); }

}  // namespace nalo::cli
