#pragma once
// The run over the files of a batch subcommand (tgapcx, b2j, g2g): the same-output
// rule decided for every file before any starts, then the files one by one, or
// with -j N in N child processes of nalo-convert at a time, one file each, their
// results printed in input order.
#include <functional>
#include <string>
#include <vector>

#include "cli/Command.h"

namespace nalo::cli {

struct FileBatch {
    const Command& command;
    const Args& args;  // as given, for the child processes
    const std::vector<std::string>& files;
    // The output a file writes (for the batch's frame files, the first), to refuse an
    // output that is a source or what an earlier file writes.
    std::function<std::string(const std::string& file)> outputOf;
    // Converts files[i], reporting through `reporter`.
    std::function<void(size_t i, RunReporter& reporter)> convertOne;

    // Returns the exit code.
    int run(RunReporter& reporter) const;

private:
    int runChildren(RunReporter& reporter, const std::vector<tgapcx::FileResult>& plan, int jobs) const;
};

}  // namespace nalo::cli
