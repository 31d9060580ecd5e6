#include "cli/Subcommands.h"

namespace nalo::cli {

int runAvi2Gif(const Args&) { return usageError("avi2gif is not available in this build"); }

}  // namespace nalo::cli
