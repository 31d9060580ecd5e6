#include "cli/RunReporter.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace nalo::cli {

namespace {

const char* outcomeName(Outcome o) {
    switch (o) {
    case Outcome::Written: return "written";
    case Outcome::Skipped: return "skipped";
    case Outcome::Failed: break;
    }
    return "failed";
}

int64_t sizeOf(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? int64_t(st.st_size) : 0;
}

std::string clockText(double seconds) {
    const long s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

RunReporter::RunReporter(Settings settings)
    : settings_(settings), start_(Clock::now()), itemStart_(start_), lastDraw_(start_ - std::chrono::seconds(1)) {
    drawing_ = settings_.progress && !settings_.quiet && ::isatty(STDERR_FILENO);
}

RunReporter::~RunReporter() { clearLine(); }

void RunReporter::plan(int64_t total, const char* unit) {
    total_ = total;
    unit_ = unit;
    done_ = 0;
    draw(true);
}

void RunReporter::begin(const std::string& file) {
    current_ = file;
    itemStart_ = Clock::now();
    draw(false);
}

void RunReporter::advance(int64_t done) {
    done_ = done;
    draw(done_ >= total_);
}

void RunReporter::clearLine() {
    if (!shown_) return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

void RunReporter::draw(bool force) {
    if (!drawing_ || total_ <= 0) return;
    const auto now = Clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double rate = elapsed > 0 ? double(done_) / elapsed : 0;
    std::string line = "\r" + current_ + "  " + std::to_string(done_) + "/" + std::to_string(total_) + " " + unit_ +
                       "  " + std::to_string(done_ * 100 / total_) + "%";
    char text[64];
    if (done_ > 0 && rate > 0) {
        std::snprintf(text, sizeof text, "  %.1f %s/s  %s left", rate, unit_,
                      clockText(double(total_ - done_) / rate).c_str());
        line += text;
    }
    line += "\x1b[K";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void RunReporter::result(FileReport r) {
    switch (r.outcome) {
    case Outcome::Written: ++written_; break;
    case Outcome::Skipped: ++skipped_; break;
    case Outcome::Failed: ++failed_; break;
    }
    if (r.ms < 0) r.ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - itemStart_).count();
    if (r.bytes < 0) r.bytes = r.outcome == Outcome::Written ? sizeOf(r.output) : 0;
    clearLine();
    if (settings_.json) {
        const nlohmann::json j = {{"source", r.source}, {"output", r.output}, {"outcome", outcomeName(r.outcome)},
                                  {"reason", r.reason}, {"bytes", r.bytes},   {"ms", r.ms}};
        std::printf("%s\n", j.dump().c_str());
        std::fflush(stdout);
    } else if (r.outcome == Outcome::Failed) {
        std::fflush(stdout);
        std::fprintf(stderr, "failed: %s: %s\n", (r.blameOutput || r.source.empty() ? r.output : r.source).c_str(),
                     r.reason.c_str());
    } else if (!settings_.quiet) {
        if (r.outcome == Outcome::Written) std::printf("written: %s%s\n", r.output.c_str(), r.detail.c_str());
        else std::printf("skipped: %s (exists)\n", r.output.c_str());
        std::fflush(stdout);
    }
    itemStart_ = Clock::now();
    draw(true);
}

void RunReporter::result(const tgapcx::FileResult& r, const std::string& detail) {
    result(FileReport{r.source, r.output, r.outcome, r.reason, detail});
}

void RunReporter::failure(const std::string& file, const std::string& reason) {
    result(FileReport{file, {}, Outcome::Failed, reason});
}

void RunReporter::note(const std::string& line) {
    if (settings_.quiet || settings_.json) return;
    clearLine();
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int RunReporter::finish() {
    clearLine();
    drawing_ = false;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    if (settings_.json) {
        const nlohmann::json j = {
            {"summary", {{"written", written_}, {"skipped", skipped_}, {"failed", failed_}, {"ms", ms}}}};
        std::printf("%s\n", j.dump().c_str());
        std::fflush(stdout);
    }
    return failed_ ? 1 : 0;
}

}  // namespace nalo::cli
