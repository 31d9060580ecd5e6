#include "cli/Subcommands.h"

namespace nalo::cli {

int runB2J(const Args&) { return usageError("b2j is not available in this build"); }

}  // namespace nalo::cli
