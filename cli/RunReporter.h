#pragma once
// What a nalo-convert run tells its user: one line per file result (or one JSON
// object with --json), failures only with --quiet, a progress line on a terminal's
// standard error, and the summary with the exit code at the end. Every subcommand
// reports through one of these.
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

#include "imaging/ProgressReporter.h"
#include "tools/tgapcx/TgaPcxConverter.h"

namespace nalo::cli {

using tgapcx::Outcome;

struct FileReport {
    FileReport(std::string source_, std::string output_, Outcome outcome_, std::string reason_ = {},
               std::string detail_ = {}, bool blameOutput_ = false, int64_t bytes_ = -1, int64_t ms_ = -1)
        : source(std::move(source_)), output(std::move(output_)), outcome(outcome_), reason(std::move(reason_)),
          detail(std::move(detail_)), blameOutput(blameOutput_), bytes(bytes_), ms(ms_) {}
    std::string source, output;
    Outcome outcome = Outcome::Failed;
    std::string reason;        // why it failed
    std::string detail;        // after the written line's file name ("  CRC32 ...")
    bool blameOutput = false;  // the failure line names the output, not the source
    int64_t bytes = -1;        // -1: the output's size on disk
    int64_t ms = -1;           // -1: since the item began
};

class RunReporter {
public:
    struct Settings {
        bool quiet = false, json = false;
        bool progress = true;  // drawn only when standard error is a terminal
    };
    explicit RunReporter(Settings settings);
    ~RunReporter();
    RunReporter(const RunReporter&) = delete;
    RunReporter& operator=(const RunReporter&) = delete;

    // The units the progress line counts ("files", "frames", "tracks") and how many.
    void plan(int64_t total, const char* unit);
    // An item starts: the progress line names `file`, the item's clock starts.
    void begin(const std::string& file);
    // `done` of the planned items finished.
    void advance(int64_t done);
    void result(FileReport r);
    void result(const tgapcx::FileResult& r, const std::string& detail = {});
    // Prints "failed: FILE: REASON" as a file result.
    void failure(const std::string& file, const std::string& reason);
    // A line of information that is no file result; not printed with --quiet or --json.
    void note(const std::string& line);
    // The summary; returns the exit code: 0 when nothing failed, else 1.
    int finish();

    bool json() const { return settings_.json; }
    bool failed() const { return failed_ > 0; }

private:
    using Clock = std::chrono::steady_clock;
    void clearLine();
    void draw(bool force);

    Settings settings_;
    bool drawing_ = false, shown_ = false;
    int64_t total_ = 0, done_ = 0;
    const char* unit_ = "files";
    std::string current_;
    Clock::time_point start_, itemStart_, lastDraw_;
    int written_ = 0, skipped_ = 0, failed_ = 0;
};

// The engine's progress calls (Max, then value) drawn on a reporter's progress line.
class ProgressLine final : public ProgressReporter {
public:
    ProgressLine(RunReporter& reporter, const char* unit) : reporter_(reporter), unit_(unit) {}
    void Max(int32_t value) override { reporter_.plan(value, unit_); }
    void value(int32_t value) override { reporter_.advance(value); }

private:
    RunReporter& reporter_;
    const char* unit_;
};

}  // namespace nalo::cli
