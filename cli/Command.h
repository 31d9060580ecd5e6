#pragma once
// One subcommand's command line: its options declared once on a CLI11 app, the
// options every subcommand shares, and the reporter the run prints through.
#include <CLI/CLI.hpp>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/RunReporter.h"
#include "cli/Subcommands.h"

namespace nalo::cli {

class Command {
public:
    Command(const std::string& tool, const std::string& description);

    CLI::App app;
    bool quiet = false, json = false, skip = false;
    std::string out;  // -o/--out
    int jobs = 1;     // -j
    int batchItem = -1;  // set in the child processes of -j: the one file to convert

    // -q/--quiet and --json (every subcommand).
    void addReporting();
    // --skip, -n/--no-clobber.
    void addSkip();
    // -o/--out: `what` says whether it names a file or a folder.
    CLI::Option* addOut(const std::string& what);
    // -j/--jobs N for the subcommands that take several files.
    void addJobs();
    // FILE... positionals; "-" is refused (no standard input or output).
    CLI::Option* addFiles(std::vector<std::string>& files, const std::string& name, const std::string& what);

    // Parses `args`; -1 to go on, else the exit code (0 after --help, 2 on a usage error).
    int parse(const Args& args);
    // Prints "nalo-convert TOOL: MESSAGE" and returns 2.
    int usage(const std::string& message) const;

    // A child process of -j reports in JSON to its parent and draws no progress.
    // The source and the output of a single-output tool: "IN OUT" or "-o OUT IN".
    // -1 to go on, else 2 after a usage message naming `form`.
    int sourceAndOutput(const std::vector<std::string>& files, std::string& in, std::string& output,
                        const std::string& form) const;
    // Reports a refused or skipped output: true when `output` is `in` (refused) or,
    // with --skip, exists (skipped).
    bool refusedOrSkipped(RunReporter& reporter, const std::string& in, const std::string& output) const;

    RunReporter::Settings reporting() const { return {quiet, json || batchItem >= 0, batchItem < 0}; }
    // The output beside the source, or in the --out folder.
    std::string placed(const std::string& besideSource) const;

private:
    std::string tool_;
};

// A value of a file option that must not be "-".
extern const CLI::Validator NotStdio;
// "A,B" or "A,B,C" integers: splits with ',' and wants exactly `count`.
CLI::Option* addIntList(CLI::App& app, const std::string& name, std::vector<int>& values, int count,
                        const std::string& description);
// "WxH".
struct FrameSize {
    int width = 0, height = 0;
};
CLI::Option* addSize(CLI::App& app, const std::string& name, FrameSize& size, int largest,
                     const std::string& description);

// Runs `work`; an error it raises is reported as a failure of `file`.
template <class Work>
void guardFile(RunReporter& reporter, const std::string& file, Work&& work) {
    try {
        work();
    } catch (const std::bad_alloc&) {
        reporter.failure(file, "out of memory");
    } catch (const std::exception& e) {
        reporter.failure(file, e.what());
    }
}

}  // namespace nalo::cli
