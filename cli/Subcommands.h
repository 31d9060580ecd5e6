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
int runA2BJ(const Args& args);
int runCD2MP3(const Args& args);
int runBJ2A(const Args& args);

struct Subcommand {
    const char* name;
    int (*run)(const Args&);
    const char* summary;
};
const std::vector<Subcommand>& subcommands();

}  // namespace nalo::cli
