#pragma once
// The subcommands of nalo-convert. Each returns the process exit code:
// 0 all succeeded, 1 any file failed, 2 usage error.
#include <cstdlib>
#include <exception>
#include <new>
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

// A whole decimal argument within lo..hi.
inline bool parseIntArg(const std::string& s, long lo, long hi, long& out) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

// Prints "nalo-convert: <message>" to stderr and returns 2.
int usageError(const std::string& message);

// Prints "failed: <file>: <reason>" to stderr and returns 1.
int fileFailure(const std::string& file, const std::string& reason);

// Runs `work`; an error it raises is reported as a failure of `file`.
template <class Work>
int guardFile(const std::string& file, Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return fileFailure(file, "out of memory");
    } catch (const std::exception& e) {
        return fileFailure(file, e.what());
    }
}

}  // namespace nalo::cli
