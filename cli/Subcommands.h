#pragma once
// The subcommands of nalo-convert. Each returns the process exit code:
// 0 all succeeded, 1 any file failed, 2 usage error.
#include <string>
#include <vector>

namespace nalo::cli {

using Args = std::vector<std::string>;  // arguments after the subcommand name

int runTgaPcx(const Args& args);
int runB2J(const Args& args);
int runCDepth(const Args& args);
int runIco(const Args& args);
int runAvi2Gif(const Args& args);
int runG2G(const Args& args);

// Prints "nalo-convert: <message>" to stderr and returns 2.
int usageError(const std::string& message);

}  // namespace nalo::cli
