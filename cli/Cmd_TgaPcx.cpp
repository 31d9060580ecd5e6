#include "cli/Subcommands.h"

namespace nalo::cli {

int runTgaPcx(const Args&) { return usageError("tgapcx is not available in this build"); }

}  // namespace nalo::cli
